// --dump: one page written for a script, which learns from the exit status
// and standard error whether it came whole.
#include <new>

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

int dump_page(const std::string& address, const RunMode& mode, std::ostream& out,
              std::ostream& err) {
  const ConsoleRun console(mode);
  Retrieval got = retrieve(address);
  if (!got.responded && !got.failure.empty()) {
    say_failure(address, got.failure, mode, err);
    return 1;
  }
  bool failed = !got.failure.empty();
  if (failed) say_failure(address, got.failure, mode, err);
  PageModel page;
  try {
    split_lines(page, std::move(got.body));
    if (const ParseEnd end = parse_page(page); end.line != 0) {
      say_failure(
          address,
          std::string(message::error_decoding_page) + " AT LINE " + std::to_string(end.line), mode,
          err);
      failed = true;
    }
  } catch (const std::bad_alloc&) {
    say_failure(address, message::out_of_memory, mode, err);
    failed = true;
  }
  display_page(page, RowsShown::up_to_last_line, out);
  return failed ? 1 : 0;
}
