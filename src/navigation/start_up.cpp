// Start-up: the first address comes from the command line untouched, or from
// the address prompt normalised; then the first page and the command loop.
#include "navigation/navigation.h"
#include "web/web.h"

int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out) {
  NavigationState nav;
  PageModel page;
  nav.current_url = argc > 1 ? std::string(argv[1]) : prompt_url(in, out);
  load_page(nav, page, out);
  command_loop(nav, page, in, out);
  return 0;
}
