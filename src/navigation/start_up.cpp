// Start-up: the options, or the first address, from the command line
// untouched or from the address prompt normalised; then the first page and
// the command loop.
#include <charconv>
#include <optional>
#include <string_view>

#include "navigation/loading.h"
#include "navigation/navigation.h"
#include "navigation/page_tools.h"

namespace {

constexpr int usage_error = 2;

int misused(const std::string& why, const RunMode& mode, std::ostream& err) {
  say_on_error(why, mode, err);
  err << "Try 'linebrowse --help'.\n" << std::flush;
  return usage_error;
}

void print_usage(std::ostream& out) {
  out << "Usage: linebrowse [ADDRESS]\n"
         "       linebrowse --dump ADDRESS\n"
         "       linebrowse --check [--links] [--stdin-name NAME] [REPORT] NAME...\n"
         "       linebrowse --check --site [--max-pages N] [REPORT] ADDRESS\n"
         "       linebrowse -h | --help | -V | --version\n"
         "Shows the line-record page at ADDRESS (asking for one when it is not given),\n"
         "then reads commands, several to a line if you like:\n"
      << command_list
      << "At a terminal other words are refused, lines can be edited and recalled with\n"
         "the arrow keys, Ctrl-C stops a retrieval or a display or takes back a g, and\n"
         "a load that brings no page keeps the page you are on (STAYING ON).\n"
         "Read from a pipe or a file, any other word ends the run, as the end of input does.\n"
         "--dump writes the page's title and rows and ends: status 0 when it came whole\n"
         "with a 2xx status, else 1 with the reason on standard error.\n"
         "--check reports every problem of each page (a file, - for standard input, or an\n"
         "address) as NAME:LINE: error|warning: MESSAGE, and with --links also the links\n"
         "that fail, each at its line, then one summary line; a clean run prints nothing.\n"
         "Status 0 without errors, 1 with errors (--strict: or warnings), 2 when a NAME\n"
         "cannot be read. --stdin-name NAME reports the page read from - under NAME;\n"
         "-- ends the options. REPORT is --strict, --format text|json|github (JSON Lines,\n"
         "or GitHub workflow annotations) and --max-problems N: at most N problems\n"
         "written for a page (100; 0 for all), all of them counted.\n"
         "--site checks every page reachable from ADDRESS on the same scheme, host and\n"
         "port and every link on them (pages of other sites are retrieved, not followed),\n"
         "page by page in the order reached, then a summary line; --max-pages N (10000)\n"
         "bounds the pages read, and Ctrl-C stops it with what was checked (status 1).\n"
         "A write to standard output that fails ends any run with status 1.\n"
         "More in the manual: man -l doc/linebrowse.1 in a checkout; once installed, man "
         "linebrowse\n"
      << std::flush;
}

// A count written in decimal digits alone, `least` or more.
bool read_count(std::string_view word, std::size_t& count, std::size_t least = 1) {
  std::size_t read = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), read);
  if (error != std::errc() || end != word.data() + word.size() || read < least) return false;
  count = read;
  return true;
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

// What the words after the program's name ask of --dump or --check.
struct ToolWords {
  bool dump = false;
  bool check = false;
  bool max_pages_given = false;
  bool report_options_given = false;  // --format or --max-problems
  CheckOptions options{};
  std::vector<std::string> names{};  // the words that are no option
};

// Reads the options, anywhere before "--", which ends them. Returns why they
// are wrong; empty when they are not.
std::string read_tool_words(int argc, const char* const* argv, ToolWords& tool) {
  CheckOptions& options = tool.options;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options_ended || !arg.starts_with('-') || arg == "-") {
      tool.names.emplace_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--dump" || arg == "--check") {
      (arg == "--dump" ? tool.dump : tool.check) = true;
    } else if (arg == "--links" || arg == "--strict" || arg == "--site") {
      (arg == "--links" ? options.links : arg == "--strict" ? options.strict : options.site) = true;
    } else if (arg == "--max-pages" && i + 1 < argc && read_count(argv[i + 1], options.max_pages)) {
      ++i;
      tool.max_pages_given = true;
    } else if (arg == "--max-pages") {
      return "--max-pages needs a number of pages, 1 or more";
    } else if (arg == "--max-problems" && i + 1 < argc &&
               read_count(argv[i + 1], options.max_problems, 0)) {
      ++i;
      tool.report_options_given = true;
    } else if (arg == "--max-problems") {
      return "--max-problems needs a number of problems, 0 for all";
    } else if (arg == "--format" && i + 1 < argc && read_format(argv[i + 1], options.format)) {
      ++i;
      tool.report_options_given = true;
    } else if (arg == "--format") {
      return "--format takes text, json or github";
    } else if (arg == "--stdin-name" && i + 1 < argc) {
      options.stdin_name = argv[++i];
    } else if (arg == "--stdin-name") {
      return "--stdin-name needs a name";
    } else {
      return "unknown option " + std::string(arg);
    }
  }
  return {};
}

// Why the options and names do not go together; empty when they do.
std::string misfit(const ToolWords& tool, const char* first_word) {
  const CheckOptions& options = tool.options;
  const bool check_options = options.links || options.strict || options.stdin_name != "-" ||
                             options.site || tool.max_pages_given || tool.report_options_given;
  std::string with_check =
      "--links, --strict, --site, --max-pages, --max-problems, --format and --stdin-name go with "
      "--check";
  if (tool.dump && tool.check) return "--dump and --check go one at a time";
  if (!tool.dump && !tool.check)
    return check_options ? with_check : "unknown option " + std::string(first_word);
  if (tool.dump && check_options) return with_check;
  if (tool.dump && tool.names.empty()) return "--dump needs an address";
  if (tool.dump && tool.names.size() > 1)
    return "--dump takes one address: " + tool.names[1] + " is one more";
  if (tool.dump) return {};
  if (options.site && tool.names.empty())
    return "--site needs the address where the site's check starts";
  if (tool.names.empty()) return "--check needs a file, - or an address";
  if (tool.max_pages_given && !options.site) return "--max-pages goes with --site";
  if (options.site && options.stdin_name != "-") return "--stdin-name does not go with --site";
  if (options.site && (tool.names.size() > 1 || tool.names.front() == "-"))
    return "--site takes one address, where the site's check starts";
  return {};
}

// --dump and --check. Returns the exit status.
int run_tool(int argc, const char* const* argv, std::istream& in, std::ostream& out,
             std::ostream& err) {
  ToolWords tool;
  std::string wrong = read_tool_words(argc, argv, tool);
  if (wrong.empty()) wrong = misfit(tool, argv[1]);
  if (!wrong.empty()) return misused(wrong, writing_mode(false), err);
  if (tool.dump) return dump_page(tool.names.front(), writing_mode(false), out, err);
  CheckOptions& options = tool.options;
  options.names = std::move(tool.names);
  if (options.site) return check_site(options, writing_mode(true, true), out, err);
  return check_pages(options, writing_mode(options.links), in, out, err);
}

// The options, which stand first: help and version are answered (anything
// after them is ignored, as after an address); no address begins with a
// dash, so any other such word is an option of --dump or --check, or a
// mistake. Returns the exit status when the run ends here.
std::optional<int> answered_option(int argc, const char* const* argv, std::istream& in,
                                   std::ostream& out, std::ostream& err) {
  if (argc < 2 || argv[1][0] != '-') return std::nullopt;
  const std::string_view option = argv[1];
  if (option == "--help" || option == "-h") {
    print_usage(out);
  } else if (option == "--version" || option == "-V") {
    out << "linebrowse " LINEBROWSE_VERSION "\n" << std::flush;
  } else {
    return run_tool(argc, argv, in, out, err);
  }
  return 0;
}

// The first address: the argument as typed, or asked for. Nothing when the
// person at a terminal ends the run instead of answering.
// What the first prompt says to ?, h or help at a terminal.
constexpr std::string_view first_prompt_help =
    "TYPE THE ADDRESS OF A PAGE AND PRESS ENTER, SUCH AS 127.0.0.1:8417/index.txt\n"
    "(http:// IS PUT IN FRONT), OR A PAGE ON DISK: file:///home/me/page.txt.\n"
    "CTRL-D LEAVES. ONCE A PAGE IS SHOWN, ? LISTS THE COMMANDS.\n";

std::optional<std::string> first_address(int argc, const char* const* argv, const RunMode& mode,
                                         std::istream& in, std::ostream& out) {
  if (argc > 1) return std::string(argv[1]);
  for (;;) {
    Answer answer = prompt_url(mode, in, out, first_prompt_help);
    if (answer.kind == Answer::typed) return std::move(answer.word);
    if (answer.kind == Answer::ended) return std::nullopt;
  }  // Ctrl-C asks again: there is no page to go back to yet
}

int run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
  if (auto status = answered_option(argc, argv, in, out, err)) return *status;
  const RunMode mode = dialogue_mode();
  const ConsoleRun console(mode);
  NavigationState nav;
  PageModel page;
  auto address = first_address(argc, argv, mode, in, out);
  if (!address) return 0;
  nav.current_url = std::move(*address);
  load_page(nav, page, mode, out);
  if (mode.terminal) say("? LISTS THE COMMANDS", out);  // once a session, after the first page
  command_loop(nav, page, mode, in, out);
  return 0;
}

}  // namespace

// A write to standard output that fails ends every kind of run with status 1
// and the system's reason, as a failure and never as success.
int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out,
             std::ostream& err) {
  WatchedOutput watched(out);
  const int status = run(argc, argv, in, watched.stream(), err);
  if (const std::string failure = watched.failure(); !failure.empty()) {
    say_on_error("write error: " + failure, writing_mode(false), err);
    return 1;
  }
  return status;
}
