// --dump: one page written for a script, which learns from the exit status
// and standard error whether it came whole.
#include <new>

#include "console/console.h"
#include "navigation/page_tools.h"
#include "page/page.h"
#include "web/web.h"

void say_failure(const std::string& name, std::string_view reason, std::ostream& err) {
  err << "linebrowse: " << visible(name) << ": " << reason << '\n' << std::flush;
}

int dump_page(const std::string& address, std::ostream& out, std::ostream& err) {
  start_output_console();
  std::ostream quiet(nullptr);  // the reading's own lines: the failures go to err instead
  Retrieval got = retrieve(address, quiet);
  if (!got.responded && !got.failure.empty()) {
    say_failure(address, got.failure, err);
    return 1;
  }
  bool failed = !got.failure.empty();
  if (failed) say_failure(address, got.failure, err);
  PageModel page;
  try {
    split_lines(page, std::move(got.body));
    if (const std::size_t line = parse_page(page, quiet); line != 0) {
      say_failure(address, "ERROR DECODING PAGE AT LINE " + std::to_string(line), err);
      failed = true;
    }
  } catch (const std::bad_alloc&) {
    say_failure(address, "RETRIEVAL FAILED: OUT OF MEMORY", err);
    failed = true;
  }
  display_page(page, out);
  return failed ? 1 : 0;
}
