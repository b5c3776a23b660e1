// Fuzzes the page reading: any bytes as a body, split, parsed, displayed and
// asked for links, with the shown text checked for raw C0 and C1 controls;
// and the same bytes checked as an author's page, its problems in line order,
// each at a line.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "page/page.h"
#include "support/sends_control.h"
#include "view/view.h"

namespace {

// Rows beyond this are the same loop again; a terminator near 2^31 would only
// make every input slow.
constexpr std::int32_t max_rows_shown = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  std::size_t last_line = 0;
  const PageCheckSink in_order{[&last_line](const PageProblem& problem) {
                                 if (problem.line == 0 || problem.line < last_line) std::abort();
                                 last_line = problem.line;
                               },
                               [&last_line](std::size_t line, std::string_view) {
                                 if (line < last_line) std::abort();
                               }};
  check_page(body, TextRule::piped, in_order);
  PageModel page;
  std::ostringstream out;
  std::istringstream in;
  Console piped({}, in, out, out);
  split_lines(page, body);
  parse_page(page);
  page.last_line = std::min(page.last_line, max_rows_shown);
  display_page(page, RowsShown::up_to_last_line, piped);
  const std::string shown = out.str();
  if (sends_control(shown)) std::abort();
  for (std::int32_t n : {0, 1, 2, page.last_line, std::numeric_limits<std::int32_t>::max()})
    (void)link_target(page, n);
  clear_records(page);
  clear_lines(page);
  return 0;
}
