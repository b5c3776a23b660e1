// The one sequence by which a page reaches the screen: forget the old page,
// retrieve the current address, split, parse and display the body; and the
// steps between pages, which at a terminal move only when a load brings one.
#include <sys/stat.h>

#include <chrono>
#include <new>
#include <optional>

#include "base/ascii.h"
#include "base/messages.h"
#include "browser/loading.h"
#include "browser/navigation.h"

namespace {

using namespace std::chrono_literals;

constexpr auto quiet_start = 1s;         // a load this quick needs no status line
constexpr auto status_interval = 250ms;  // at most four times a second

// At a terminal: Ctrl-C stops the transfer, and a load still running after
// a second says how it is getting on, in a status line rewritten in place.
TransferWatch watch_at_terminal(Console& console) {
  return [&console, written = std::chrono::steady_clock::time_point{}](
             const TransferProgress& progress) mutable {
    if (take_ctrl_c(console)) return true;
    const auto now = std::chrono::steady_clock::now();
    if (progress.elapsed >= quiet_start && now - written >= status_interval) {
      try {
        show_status(console, status_text(progress));
      } catch (const std::bad_alloc&) {
        // No room for the status line: the transfer goes on without it.
      }
      written = now;
    }
    return false;
  };
}

// A name typed without a scheme that reached no server, while a file of that
// name is in the current folder, most likely meant the file.
void hint_at_file(std::string_view typed, const Retrieval& got, Console& console) {
  if (typed.empty() || got.responded || got.stop != TransferStop::failed ||
      !scheme_written(typed).empty())
    return;
  struct stat about {};
  if (stat(std::string(typed).c_str(), &about) != 0 || !S_ISREG(about.st_mode)) return;
  say(console, message::file_of_that_name, typed);
}

// Announces and retrieves an address, `typed` as the person typed it. At a
// terminal a failure, or a status outside 2xx, is also said in one line, and
// where a redirect points is offered by g and Up. Running out of memory
// throws std::bad_alloc, once the transfer's memory is given back.
Retrieval fetch_page(const std::string& url, Console& console, std::string_view typed = {}) {
  say(console, message::connecting_to, url);
  const bool terminal = console.mode.terminal;
  Retrieval got = retrieve(url, terminal ? watch_at_terminal(console) : TransferWatch{});
  clear_status(console);
  if (terminal) {
    if (!came_whole(got.stop, got.status)) say(console, "", got.failure);
    hint_at_file(typed, got, console);
    if (!got.moved_to.empty()) remember_address(console, percent_encoded(got.moved_to));
  }
  if (got.stop == TransferStop::out_of_memory) throw std::bad_alloc();
  return got;
}

// Reads what a retrieval brought into the emptied page. A load that Ctrl-C
// stopped keeps every whole line that arrived, without the one it cut.
void read_body(PageModel& page, Retrieval& got, Console& console) {
  if (got.stop == TransferStop::stopped) drop_cut_line(got.body);
  split_lines(page, std::move(got.body));
  if (const ParseEnd end = parse_page(page); end.line != 0) say_decoding_error(end, console);
}

// A page that runs out of memory on its way in is treated like one that
// cannot be decoded: said, shown as far as it was read, and browsing goes on.
void read_or_say_why(PageModel& page, Retrieval& got, Console& console) {
  try {
    read_body(page, got, console);
  } catch (const std::bad_alloc&) {
    say_decoding_error({}, console);
  }
}

// At a terminal, whether a load brings no page to show instead of the one
// being read: no response at all, or a body without a record, whatever its
// status. A body without a record that nothing else explains is said so.
bool brings_no_page(const Retrieval& got, Console& console) {
  if (got.responded && holds_record(got.body)) return false;
  if (got.responded && came_whole(got.stop, got.status)) say(console, message::not_a_page);
  return true;
}

void forget_page(PageModel& page) {
  clear_records(page);
  clear_lines(page);
}

// Whether a step at a terminal leaves the page being read on the trail.
enum class TrailStep { stay, leave };

// Through pipes every load replaces the page, as scripts know it, and the
// address to go back to becomes `piped_previous`. At a terminal the page
// being read is kept until another arrives (the old one stays in memory
// while the new one is retrieved), and only then does the trail move.
void move_to(NavigationState& nav, std::string address, std::string piped_previous, TrailStep step,
             PageModel& page, Console& console, std::string_view typed = {}) {
  if (!console.mode.terminal) {
    nav.current_url = std::move(address);
    nav.previous_url = std::move(piped_previous);
    load_page(nav, page, console);
    return;
  }
  std::optional<Retrieval> got;
  try {
    got = fetch_page(address, console, typed);
    if (got->stop == TransferStop::stopped) drop_cut_line(got->body);
  } catch (const std::bad_alloc&) {
    // Nothing arrived that fits beside the page being read, which stays.
  }
  if (!got || brings_no_page(*got, console)) {
    say(console, message::staying_on, nav.current_url);
    remember_address(console, percent_encoded(address));  // Up at g offers it again
    return;
  }
  if (step == TrailStep::leave) put_on_trail(nav, nav.current_url);
  nav.current_url = std::move(address);
  forget_page(page);
  read_or_say_why(page, *got, console);
  display_page(page, rows_shown(console.mode), console);
}

}  // namespace

void say_decoding_error(const ParseEnd& where, Console& console) {
  say(console, message::error_decoding_page);
  if (!console.mode.terminal || where.line == 0) return;
  try {
    const std::string at = std::string(message::at_line) + std::to_string(where.line) + ": ";
    if (where.out_of_memory)
      say(console, at + std::string(message::out_of_memory_here));
    else if (where.text.empty())
      say(console, at + std::string(message::empty_line));
    else
      say(console, screen_line(console, at, where.text));
  } catch (const std::bad_alloc&) {
    // Not even room to say where: ERROR DECODING PAGE has to do.
  }
}

void load_page(const NavigationState& nav, PageModel& page, Console& console) {
  forget_page(page);
  try {
    Retrieval got = fetch_page(nav.current_url, console, nav.current_url);
    read_body(page, got, console);
  } catch (const std::bad_alloc&) {
    say_decoding_error({}, console);
  }
  display_page(page, rows_shown(console.mode), console);
}

void follow_link_to(NavigationState& nav, std::string address, PageModel& page, Console& console) {
  move_to(nav, std::move(address), nav.current_url, TrailStep::leave, page, console);
}

void reload(NavigationState& nav, PageModel& page, Console& console) {
  move_to(nav, nav.current_url, nav.previous_url, TrailStep::stay, page, console);
}

// At a terminal the page goes off the trail before it is loaded, so that one
// that no longer comes never stands in the way of those before it.
void go_back(NavigationState& nav, PageModel& page, Console& console) {
  std::string back = console.mode.terminal ? take_off_trail(nav) : nav.previous_url;
  move_to(nav, std::move(back), nav.previous_url, TrailStep::stay, page, console);
}

void go_to_address(NavigationState& nav, std::string address, PageModel& page, Console& console,
                   std::string_view typed) {
  move_to(nav, std::move(address), nav.previous_url, TrailStep::leave, page, console, typed);
}
