// Reading the command line: the options of --dump and --check, each read on
// its own, then judged together.
#include "run/command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
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
  else
    return false;
  return true;
}

bool takes_value(std::string_view option) {
  return option == "--max-pages" || option == "--max-problems" || option == "--format" ||
         option == "--stdin-name" || option == "--root" || option == "--exclude" ||
         option == "--max-depth";
}

// Sets an option that takes a value; why the value is wrong, when it is.
// `value` is null when the command line ends first.
Wrong set_valued(std::string_view option, const char* value, CheckOptions& options) {
  const std::string_view word = value == nullptr ? std::string_view() : value;
  if (option == "--max-pages")
    return why_count_fails(option, word, options.max_pages, 1, "a number of pages, 1 or more");
  if (option == "--max-problems")
    return why_count_fails(option, word, options.max_problems, 0,
                           "a number of problems, 0 for all");
  if (option == "--format")
    return read_format(word, options.format) ? Wrong() : "--format takes text, json or github";
  if (option == "--max-depth") {
    std::size_t depth = 0;
    Wrong why = why_count_fails(option, word, depth, 0, "a number of links, 0 or more");
    if (!why) options.max_depth = depth;
    return why;
  }
  if (value == nullptr)
    return std::string(option) + " needs " +
           (option == "--stdin-name" ? "a name"
            : option == "--root"     ? "a folder"
                                     : "a pattern");
  if (option == "--root") {
    options.root = word;
  } else if (option == "--exclude") {
    options.exclude.emplace_back(word);
    if (const Wrong why = why_exclude_fails(options.exclude.back()))
      return "--exclude " + options.exclude.back() + ": " + *why;
  } else {
    options.stdin_name = word;
  }
  return std::nullopt;
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
  std::vector<std::string> names{};  // the words that are no option
  Wrong wrong{};

  bool has(std::string_view option) const {
    return std::find(given.begin(), given.end(), option) != given.end();
  }
};

OptionWords read_options(int argc, const char* const* argv) {
  OptionWords words;
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
      words.wrong = set_valued(arg, i + 1 < argc ? argv[i + 1] : nullptr, words.options);
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
  for (const char* site_only : {"--max-pages", "--root", "--offline", "--exclude", "--max-depth"})
    if (words.has(site_only) && !options.site) return std::string(site_only) + " goes with --site";
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
  OptionWords words = read_options(argc, argv);
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
    command.check.names = std::move(words.names);
  }
  return command;
}
