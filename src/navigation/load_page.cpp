// The one sequence by which a page reaches the screen: forget the old page,
// retrieve the current address, split, parse and display the body.
#include "navigation/navigation.h"
#include "web/web.h"

void load_page(const NavigationState& nav, PageModel& page, std::ostream& out) {
  clear_records(page);
  clear_lines(page);
  split_lines(page, fetch_page(nav.current_url, out));
  parse_page(page, out);
  display_page(page, out);
}
