// Inside the page subsystem: looking records up by number in the ordered
// records, the text a record points to in the body, and reading lines.
#pragma once

#include <algorithm>

#include "page/page.h"

// The record of `number` in `records`, or null.
const PageRecord* find_record(const PageRecords& records, std::int32_t number);

// The field a record points to, which runs to the next bar.
std::string_view record_text(const PageModel& page, const PageRecord& record);

// The first line of `rest`, which is then left with the lines after it.
// Inline, as the reading of every line of a page calls it.
inline std::string_view take_line(std::string_view& rest) {
  const std::size_t end = std::min(rest.find('\n'), rest.size());
  const std::string_view line = rest.substr(0, end);
  rest.remove_prefix(std::min(end + 1, rest.size()));
  return line;
}

// A byte in lower case when it is an ASCII capital, as itself otherwise.
inline char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
