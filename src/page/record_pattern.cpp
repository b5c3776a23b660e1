// Reading one page line: the leftmost match of the record pattern, found in
// linear time and without recursion, and the record number it starts with.
#include "page/record_pattern.h"

#include <charconv>

#include "page/page.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The pattern's final "." takes any byte but line feed and carriage return.
bool is_flag_byte(char c) { return c != '\n' && c != '\r'; }

}  // namespace

// The pattern leaves no choices to backtrack into: the digits run back from a
// colon, the label ends at the next bar, the target at the bar after it. So a
// colon either starts a match or fails, and every colon before the first bar
// after it meets the same two bars and fails the same way.
RecordMatch match_record(std::string_view line) {
  auto colon = line.find(':');
  while (colon != std::string_view::npos) {
    auto first_bar = line.find('|', colon + 1);
    if (first_bar == std::string_view::npos) return {};
    auto second_bar = line.find('|', first_bar + 1);
    if (second_bar == std::string_view::npos) return {};
    auto flag = second_bar + 1;
    if (flag < line.size() && is_flag_byte(line[flag])) {
      auto start = colon;
      while (start > 0 && is_digit(line[start - 1])) --start;
      return {true, line.substr(start, colon - start),
              line.substr(colon + 1, first_bar - colon - 1),
              line.substr(first_bar + 1, second_bar - first_bar - 1), line.substr(flag, 1)};
    }
    colon = line.find(':', first_bar + 1);
  }
  return {};
}

std::optional<std::int32_t> record_number(std::string_view text) {
  std::int32_t number = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), number);
  if (result.ec != std::errc() || number < 0) return std::nullopt;
  return number;
}
