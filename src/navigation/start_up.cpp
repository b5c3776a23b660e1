// Start-up: the options, or the first address, from the command line
// untouched or from the address prompt normalised; then the first page and
// the command loop.
#include <optional>
#include <string_view>

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
         "       linebrowse --check [--links] NAME...\n"
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
         "that fail; status 0 without errors, 1 with errors, 2 when a NAME cannot be read.\n"
         "More in the manual: man -l doc/linebrowse.1 in a checkout; once installed, man "
         "linebrowse\n"
      << std::flush;
}

// The options, which stand first: help and version are answered (anything
// after them is ignored, as after an address); no address begins with a
// dash, so any other such word is a mistake. Returns the exit status when
// the run ends here.
std::optional<int> answered_option(int argc, const char* const* argv, std::istream& in,
                                   std::ostream& out, std::ostream& err) {
  if (argc < 2 || argv[1][0] != '-') return std::nullopt;
  const std::string_view option = argv[1];
  const bool links = option == "--check" && argc > 2 && std::string_view(argv[2]) == "--links";
  const RunMode mode = writing_mode(links);
  if (option == "--help" || option == "-h") {
    print_usage(out);
  } else if (option == "--version" || option == "-V") {
    out << "linebrowse " LINEBROWSE_VERSION "\n" << std::flush;
  } else if (option == "--dump") {
    if (argc < 3) return misused("--dump needs an address", mode, err);
    return dump_page(argv[2], mode, out, err);
  } else if (option == "--check") {
    const std::vector<std::string> names(argv + (links ? 3 : 2), argv + argc);
    if (names.empty()) return misused("--check needs a file, - or an address", mode, err);
    for (const std::string& name : names)
      if (name.starts_with('-') && name != "-") return misused("unknown option " + name, mode, err);
    return check_pages(names, links, mode, in, out, err);
  } else {
    return misused("unknown option " + std::string(option), mode, err);
  }
  return 0;
}

// The first address: the argument as typed, or asked for. Nothing when the
// person at a terminal ends the run instead of answering.
std::optional<std::string> first_address(int argc, const char* const* argv, std::istream& in,
                                         std::ostream& out) {
  if (argc > 1) return std::string(argv[1]);
  for (;;) {
    Answer answer = prompt_url(in, out);
    if (answer.kind == Answer::typed) return std::move(answer.word);
    if (answer.kind == Answer::ended) return std::nullopt;
  }  // Ctrl-C asks again: there is no page to go back to yet
}

}  // namespace

int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out,
             std::ostream& err) {
  if (auto status = answered_option(argc, argv, in, out, err)) return *status;
  const RunMode mode = dialogue_mode();
  const ConsoleRun console(mode);
  NavigationState nav;
  PageModel page;
  auto address = first_address(argc, argv, in, out);
  if (!address) return 0;
  nav.current_url = std::move(*address);
  load_page(nav, page, mode, out);
  command_loop(nav, page, mode, in, out);
  return 0;
}
