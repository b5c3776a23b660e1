// --dump: one page written for a script, which learns from the exit status
// and standard error whether it came whole.
#include "base/exit_status.h"
#include "base/messages.h"
#include "run/run.h"
#include "view/view.h"
#include "web/web.h"

// Whatever went wrong is said, each thing once, and the status says that the
// page did not come whole; the rows that were read are still written.
int dump_page(const std::string& address, Console& console) {
  Retrieval got = retrieve(address);
  const bool whole = came_whole(got.stop, got.status);
  const std::string failure = std::move(got.failure);
  PageModel page;
  split_lines(page, std::move(got.body));
  const ParseEnd end = parse_page(page);
  if (page.line_labels.empty()) {  // no page: nothing to write, and one line to say why
    say_failure(console, address, whole ? message::not_a_page : failure);
    return exit_status::failed;
  }
  if (!whole) say_failure(console, address, failure);
  if (end.out_of_memory)
    say_failure(console, address, message::out_of_memory_alone);
  else if (end.line != 0)
    say_failure(console, address,
                std::string(message::error_decoding_page) + " " + std::string(message::at_line) +
                    std::to_string(end.line));
  display_page(page, RowsShown::own, console);
  return whole && end.line == 0 ? exit_status::ok : exit_status::failed;
}
