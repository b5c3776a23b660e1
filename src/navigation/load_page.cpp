// The one sequence by which a page reaches the screen: forget the old page,
// retrieve the current address, split, parse and display the body; and at a
// terminal, going to another page only when the load brings one.
#include <new>
#include <optional>

#include "navigation/navigation.h"
#include "web/web.h"

namespace {

// Reads what a retrieval brought into the emptied page. A load that Ctrl-C
// stopped keeps every whole line that arrived, without the one it cut.
void read_body(PageModel& page, Retrieval& got, std::ostream& out) {
  if (got.stopped) drop_cut_line(got.body);
  split_lines(page, std::move(got.body));
  parse_page(page, out);
}

// A page that runs out of memory on its way in is treated like one that
// cannot be decoded: said, shown as far as it was read, and browsing goes on.
void say_out_of_memory(std::ostream& out) { out << "ERROR DECODING PAGE\n" << std::flush; }

// No response at all, or a failure status whose body holds no record: there
// is nothing to show instead of the page being read.
bool brings_no_page(const Retrieval& got) {
  return !got.responded || (!success_status(got.status) && !holds_record(got.body));
}

}  // namespace

void load_page(const NavigationState& nav, PageModel& page, std::ostream& out) {
  clear_records(page);
  clear_lines(page);
  try {
    Retrieval got = fetch_page(nav.current_url, out);
    read_body(page, got, out);
  } catch (const std::bad_alloc&) {
    say_out_of_memory(out);
  }
  display_page(page, out);
}

// Through pipes every load replaces the page, as scripts know it. At a
// terminal the page being read is kept until another arrives: the old one
// stays in memory while the new one is retrieved.
void go_to(NavigationState& nav, NavigationState next, PageModel& page, std::ostream& out) {
  if (!at_terminal()) {
    nav = std::move(next);
    load_page(nav, page, out);
    return;
  }
  std::optional<Retrieval> got;
  try {
    got = fetch_page(next.current_url, out);
  } catch (const std::bad_alloc&) {
    // Nothing arrived that fits beside the page being read, which stays.
  }
  if (!got || brings_no_page(*got)) {
    std::string line = "STAYING ON ";
    append_visible(line, nav.current_url);
    out << line << '\n' << std::flush;
    remember_address(percent_encoded(next.current_url));  // Up at g offers it again
    return;
  }
  nav = std::move(next);
  clear_records(page);
  clear_lines(page);
  try {
    read_body(page, *got, out);
  } catch (const std::bad_alloc&) {
    say_out_of_memory(out);
  }
  display_page(page, out);
}
