// Inside the page subsystem: reading a body's lines one at a time.
#pragma once

#include <algorithm>
#include <string_view>

// The first line of `rest`, which is then left with the lines after it.
// Inline, as the reading of every line of a page calls it.
inline std::string_view take_line(std::string_view& rest) {
  const std::size_t end = std::min(rest.find('\n'), rest.size());
  const std::string_view line = rest.substr(0, end);
  rest.remove_prefix(std::min(end + 1, rest.size()));
  return line;
}
