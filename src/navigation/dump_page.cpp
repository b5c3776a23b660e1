// --dump: one page written for a script, which learns from the exit status
// and standard error whether it came whole.
#include "base/messages.h"
#include "navigation/loading.h"
#include "navigation/page_tools.h"

void say_failure(const std::string& name, std::string_view reason, const RunMode& mode,
                 std::ostream& err) {
  std::string line = name;
  line += ": ";
  line += reason;
  say_on_error(line, mode, err);
}

// Whatever went wrong is said, each thing once, and the status says that the
// page did not come whole; the rows that were read are still written.
int dump_page(const std::string& address, const RunMode& mode, std::ostream& out,
              std::ostream& err) {
  const ConsoleRun console(mode);
  Retrieval got = retrieve(address);
  const std::string failure = std::move(got.failure);
  PageModel page;
  split_lines(page, std::move(got.body));
  const ParseEnd end = parse_page(page);
  if (page.line_labels.empty()) {  // no page: nothing to write, and one line to say why
    say_failure(address, failure.empty() ? "NOT A PAGE (NO RECORD IN IT)" : failure, mode, err);
    return 1;
  }
  if (!failure.empty()) say_failure(address, failure, mode, err);
  if (end.out_of_memory)
    say_failure(address, "OUT OF MEMORY", mode, err);
  else if (end.line != 0)
    say_failure(address,
                std::string(message::error_decoding_page) + " AT LINE " + std::to_string(end.line),
                mode, err);
  display_page(page, RowsShown::own, out);
  return failure.empty() && end.line == 0 ? 0 : 1;
}
