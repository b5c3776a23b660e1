// Start-up: --help and --version, or the first address, from the command line
// untouched or from the address prompt normalised; then the first page and the
// command loop.
#include <string_view>

#include "console/console.h"
#include "navigation/navigation.h"
#include "web/web.h"

namespace {

constexpr std::string_view usage =
    "Usage: linebrowse [ADDRESS]\n"
    "       linebrowse --help | --version\n"
    "Shows the line-record page at ADDRESS (asking for one when it is not given),\n"
    "then reads commands, several to a line if you like:\n"
    "  NUMBER  follow the link of that row\n"
    "  d       show the page again\n"
    "  r       reload the page\n"
    "  b       go back to the page the last link was followed from\n"
    "  g       go to an address typed at the prompt\n"
    "  x       exit (so does any other word, or the end of input)\n"
    "At a terminal, lines can be edited and recalled with the arrow keys, and\n"
    "Ctrl-C stops a retrieval or a display.\n"
    "More in the manual: man linebrowse\n";

// --help or --version as the only argument; anything else is an address.
bool answered_option(int argc, const char* const* argv, std::ostream& out) {
  if (argc != 2) return false;
  const std::string_view option = argv[1];
  if (option == "--help") {
    out << usage << std::flush;
  } else if (option == "--version") {
    out << "linebrowse " LINEBROWSE_VERSION "\n" << std::flush;
  } else {
    return false;
  }
  return true;
}

}  // namespace

int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out) {
  if (answered_option(argc, argv, out)) return 0;
  start_console();
  NavigationState nav;
  PageModel page;
  nav.current_url = argc > 1 ? std::string(argv[1]) : prompt_url(in, out);
  load_page(nav, page, out);
  command_loop(nav, page, in, out);
  return 0;
}
