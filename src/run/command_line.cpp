// Reading the command line: the options of --dump and --check, each read on
// its own, then judged together.
#include "run/command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "browser/browser.h"
#include "web/web.h"

namespace {

// Why the words are wrong, said as a usage error; none when they are right.
using Wrong = std::optional<std::string>;

enum class CountRead { read, not_a_count, too_large };

// A count written in decimal digits alone, `least` or more.
CountRead read_count(std::string_view word, std::size_t& count, std::size_t least = 1) {
  std::size_t read = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), read);
  if (end != word.data() + word.size() || word.empty()) return CountRead::not_a_count;
  if (error == std::errc::result_out_of_range) return CountRead::too_large;
  if (error != std::errc() || read < least) return CountRead::not_a_count;
  count = read;
  return CountRead::read;
}

// Why the count of `option` is wrong, when it is; `needs` says what it takes.
Wrong why_count_fails(std::string_view option, std::string_view word, std::size_t& count,
                      std::size_t least, std::string_view needs) {
  switch (read_count(word, count, least)) {
    case CountRead::read:
      return std::nullopt;
    case CountRead::too_large:
      return std::string(option) + ": " + std::string(word) + " is too large (at most " +
             std::to_string(std::numeric_limits<std::size_t>::max()) + ")";
    case CountRead::not_a_count:
      break;
  }
  return std::string(option) + " needs " + std::string(needs);
}

bool read_format(std::string_view word, ReportFormat& format) {
  if (word == "text")
    format = ReportFormat::text;
  else if (word == "json")
    format = ReportFormat::json;
  else if (word == "github")
    format = ReportFormat::github;
  else if (word == "sarif")
    format = ReportFormat::sarif;
  else
    return false;
  return true;
}

// A span of time as a number and its unit: 90s, 30m, 12h, 1d, 2w.
std::optional<std::chrono::seconds> read_duration(std::string_view word) {
  if (word.size() < 2) return std::nullopt;
  std::size_t count = 0;
  if (read_count(word.substr(0, word.size() - 1), count, 0) != CountRead::read) return std::nullopt;
  constexpr std::array<std::pair<char, long long>, 5> units = {
      {{'s', 1}, {'m', 60}, {'h', 3600}, {'d', 86400}, {'w', 604800}}};
  for (const auto& [unit, seconds] : units) {
    if (word.back() != unit) continue;
    if (count > static_cast<std::size_t>(std::numeric_limits<long long>::max() / seconds))
      return std::nullopt;
    return std::chrono::seconds(static_cast<long long>(count) * seconds);
  }
  return std::nullopt;
}

bool takes_value(std::string_view option) {
  return option == "--max-pages" || option == "--max-problems" || option == "--format" ||
         option == "--stdin-name" || option == "--root" || option == "--exclude" ||
         option == "--max-depth" || option == "--ignore" || option == "--host-concurrency" ||
         option == "--retries" || option == "--cache" || option == "--cache-age" ||
         option == "--config";
}

// Sets an option that takes a count; why the count is wrong, when it is.
Wrong set_count(std::string_view option, std::string_view word, CheckOptions& options) {
  if (option == "--max-pages")
    return why_count_fails(option, word, options.max_pages, 1, "a number of pages, 1 or more");
  if (option == "--max-problems")
    return why_count_fails(option, word, options.max_problems, 0,
                           "a number of problems, 0 for all");
  if (option == "--host-concurrency")
    return why_count_fails(option, word, options.host_concurrency, 1,
                           "a number of retrievals, 1 or more");
  if (option == "--retries")
    return why_count_fails(option, word, options.retries, 0, "a number of tries, 0 or more");
  std::size_t depth = 0;
  Wrong why = why_count_fails(option, word, depth, 0, "a number of links, 0 or more");
  if (!why) options.max_depth = depth;
  return why;
}

bool takes_count(std::string_view option) {
  return option == "--max-pages" || option == "--max-problems" || option == "--max-depth" ||
         option == "--host-concurrency" || option == "--retries";
}

// What an option that takes a word needs, for the message when it has none.
std::string_view needs_word(std::string_view option) {
  if (option == "--stdin-name") return "a name";
  if (option == "--root") return "a folder";
  if (option == "--cache" || option == "--config") return "a file";
  if (option == "--ignore") return "a problem code (--list-codes lists them)";
  if (option == "--cache-age") return "a time such as 90s, 30m, 12h, 1d or 2w";
  return "a pattern";
}

// Sets an option that takes a word; why the word is wrong, when it is.
Wrong set_word(std::string_view option, std::string_view word, CheckOptions& options) {
  if (option == "--root") {
    options.root = word;
  } else if (option == "--cache") {
    options.cache = word;
  } else if (option == "--exclude") {
    options.exclude.emplace_back(word);
    if (const Wrong why = why_exclude_fails(options.exclude.back()))
      return "--exclude " + options.exclude.back() + ": " + *why;
  } else if (option == "--ignore") {
    const std::optional<ProblemCode> code = code_named(word);
    if (!code)
      return "--ignore: " + std::string(word) + " is no problem code (--list-codes lists them)";
    options.ignore.set(static_cast<std::size_t>(*code));
  } else if (option == "--cache-age") {
    const std::optional<std::chrono::seconds> age = read_duration(word);
    if (!age) return "--cache-age needs " + std::string(needs_word(option));
    options.cache_age = *age;
  } else if (option == "--stdin-name") {
    options.stdin_name = word;
  }
  return std::nullopt;  // --config is read before the rest
}

// Sets an option that takes a value; why the value is wrong, when it is.
// `value` is null when the command line ends first.
Wrong set_valued(std::string_view option, const char* value, CheckOptions& options) {
  const std::string_view word = value == nullptr ? std::string_view() : value;
  if (takes_count(option)) return set_count(option, word, options);
  if (option == "--format")
    return read_format(word, options.format) ? Wrong()
                                             : "--format takes text, json, github or sarif";
  if (value == nullptr) return std::string(option) + " needs " + std::string(needs_word(option));
  return set_word(option, word, options);
}

bool sets_flag(std::string_view option, CheckOptions& options) {
  if (option == "--links")
    options.links = true;
  else if (option == "--strict")
    options.strict = true;
  else if (option == "--site")
    options.site = true;
  else if (option == "--offline")
    options.offline = true;
  else
    return false;
  return true;
}

constexpr std::array<const char*, 5> site_only_options = {"--max-pages", "--root", "--offline",
                                                          "--exclude", "--max-depth"};
// The options of retrieving links to other sites.
constexpr std::array<const char*, 4> link_options = {"--host-concurrency", "--retries", "--cache",
                                                     "--cache-age"};

// Whether the start of a site's check names a place on disk rather than an
// address: a path as the prompts read one, a file:// address, or a name with
// no scheme whose first part, which would be its host, is a file or folder here.
bool is_path_start(const std::string& start) {
  if (local_file_address(start) || is_file_address(start)) return true;
  if (!scheme_written(start).empty()) return false;
  const std::string first = start.substr(0, start.find('/'));
  struct stat about {};
  return first.find(':') == std::string::npos && stat(first.c_str(), &about) == 0;
}

// The words after the program's name, before they are judged together.
struct OptionWords {
  bool dump = false;
  bool check = false;
  std::vector<std::string> given{};  // the options of --check, as they were given
  CheckOptions options{};
  std::vector<std::string> names{};     // the words that are no option
  std::optional<std::string> config{};  // the file --config names
  Wrong wrong{};

  bool has(std::string_view option) const {
    return std::find(given.begin(), given.end(), option) != given.end();
  }
};

// The command line's words, over `base`, the options a configuration file
// set: a list the command line gives (--exclude, --ignore) replaces the file's.
OptionWords read_options(int argc, const char* const* argv, const CheckOptions& base = {}) {
  OptionWords words;
  words.options = base;
  bool options_ended = false;
  for (int i = 1; i < argc && !words.wrong; ++i) {
    const std::string_view arg = argv[i];
    if (options_ended || !arg.starts_with('-') || arg == "-") {
      words.names.emplace_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--dump" || arg == "--check") {
      (arg == "--dump" ? words.dump : words.check) = true;
    } else if (takes_value(arg)) {
      const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
      if (arg == "--exclude" && !words.has(arg)) words.options.exclude.clear();
      if (arg == "--ignore" && !words.has(arg)) words.options.ignore.reset();
      if (arg == "--config" && value != nullptr) words.config = value;
      words.wrong = set_valued(arg, value, words.options);
      words.given.emplace_back(arg);
      ++i;
    } else if (sets_flag(arg, words.options)) {
      words.given.emplace_back(arg);
    } else {
      words.wrong = "unknown option " + std::string(arg);
    }
  }
  return words;
}

// Whether an option in a configuration file counts for this run: those of a
// site's check or of links are set aside for runs without them, so that one
// file serves an editor's check of a page and the site's check in CI alike.
bool counts_for(std::string_view option, const CheckOptions& options) {
  const auto among = [option](const auto& list) {
    return std::find(list.begin(), list.end(), option) != list.end();
  };
  if (among(site_only_options)) return options.site;
  if (among(link_options)) return options.site || options.links;
  return option != "--served-at";  // the language server's: where the root is served
}

// The options of the configuration file that count for this run, set in
// `words` under the command line's, which win.
void add_config(int argc, const char* const* argv, OptionWords& words) {
  const std::string path = words.config.value_or(default_config);
  const ConfigFile config = read_config(path, words.config.has_value());
  if (config.wrong) {
    words.wrong = config.wrong;
    return;
  }
  CheckOptions base;
  base.site = words.options.site;
  base.links = words.options.links;
  std::vector<std::string> from_file;
  for (const ConfigOption& option : config.options) {
    // Every value is judged, whether or not it counts for this run.
    CheckOptions judged;
    CheckOptions& options = counts_for(option.option, base) ? base : judged;
    Wrong why;
    if (option.value)
      why = set_valued(option.option, option.value->c_str(), options);
    else
      sets_flag(option.option, options);  // the file's flags are all known ones
    if (why) {
      words.wrong = config_place(path, option) + *why;
      return;
    }
    if (&options == &base) from_file.push_back(option.option);
  }
  words = read_options(argc, argv, base);
  words.given.insert(words.given.end(), from_file.begin(), from_file.end());
}

// Why the options and names do not go together, when they do not.
Wrong why_they_clash(const OptionWords& words, std::string_view first_word) {
  const CheckOptions& options = words.options;
  std::string with_check = words.given.empty() ? "" : words.given.front() + " goes with --check";
  if (words.dump && words.check) return "--dump and --check go one at a time";
  if (!words.dump && !words.check)
    return words.given.empty() ? "unknown option " + std::string(first_word) : with_check;
  if (words.dump && !words.given.empty()) return with_check;
  if (words.dump && words.names.empty()) return "--dump needs an address";
  if (words.dump && words.names.size() > 1)
    return "--dump takes one address: " + words.names[1] + " is one more";
  if (words.dump) return std::nullopt;
  if (options.site && words.names.empty())
    return "--site needs the address where the site's check starts";
  if (words.names.empty()) return "--check needs a file, - or an address";
  for (const char* site_only : site_only_options)
    if (words.has(site_only) && !options.site) return std::string(site_only) + " goes with --site";
  for (const char* linked : link_options)
    if (words.has(linked) && !options.site && !options.links)
      return std::string(linked) + " goes with --links or --site";
  if (options.site && words.has("--stdin-name")) return "--stdin-name does not go with --site";
  if (words.has("--offline") && !words.has("--root"))
    return "--offline goes with --root: without the network only a folder can be read";
  if (options.site && (words.names.size() > 1 || words.names.front() == "-"))
    return "--site takes one address, where the site's check starts";
  if (words.has("--root") && is_path_start(words.names.front()))
    return "--root " + options.root + " reads the folder a site is served from: start at the " +
           "address it is served at, not at a path, as in --root " + options.root +
           " http://HOST:PORT/PATH/" +
           std::filesystem::path(words.names.front()).filename().string();
  return std::nullopt;
}

}  // namespace

CommandLine read_command_line(int argc, const char* const* argv) {
  CommandLine command;
  if (argc < 2 || argv[1][0] != '-') {
    if (argc > 1) command.address = argv[1];
    return command;
  }
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    command.run = CommandLine::Run::help;
    return command;
  }
  if (first == "--version" || first == "-V") {
    command.run = CommandLine::Run::version;
    return command;
  }
  if (first == "--lsp") {
    command.run = argc == 2 ? CommandLine::Run::language_server : CommandLine::Run::wrong;
    command.wrong = "--lsp takes nothing more: it speaks on standard input and output";
    return command;
  }
  if (first == "--list-codes") {
    command.run = CommandLine::Run::list_codes;
    return command;
  }
  OptionWords words = read_options(argc, argv);
  if (!words.wrong && words.check) add_config(argc, argv, words);
  if (!words.wrong) words.wrong = why_they_clash(words, first);
  if (words.wrong) {
    command.run = CommandLine::Run::wrong;
    command.wrong = std::move(*words.wrong);
  } else if (words.dump) {
    command.run = CommandLine::Run::dump;
    command.address = std::move(words.names.front());
  } else {
    command.run = words.options.site ? CommandLine::Run::check_site : CommandLine::Run::check;
    command.check = std::move(words.options);
    // Code scanning takes every problem: a SARIF log is cut only when asked.
    if (command.check.format == ReportFormat::sarif && !words.has("--max-problems"))
      command.check.max_problems = 0;
    command.check.names = std::move(words.names);
  }
  return command;
}
