// The one sequence by which a page reaches the screen: forget the old page,
// retrieve the current address, split, parse and display the body.
#include <new>

#include "navigation/navigation.h"
#include "web/web.h"

// A page that runs out of memory on its way in is treated like one that
// cannot be decoded: said, shown as far as it was read, and browsing goes on.
void load_page(const NavigationState& nav, PageModel& page, std::ostream& out) {
  clear_records(page);
  clear_lines(page);
  try {
    split_lines(page, fetch_page(nav.current_url, out));
    parse_page(page, out);
  } catch (const std::bad_alloc&) {
    out << "ERROR DECODING PAGE\n" << std::flush;
  }
  display_page(page, out);
}
