// Reading one page line: the leftmost match of the record pattern, found in
// linear time and without recursion, and the record number it starts with.
#include "page/record_pattern.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "page/byte_scan.h"
#include "page/page.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The pattern's final "." takes any byte but line feed and carriage return.
bool is_flag_byte(char c) { return c != '\n' && c != '\r'; }

bool is_at(std::string_view text, std::size_t at, char c) {
  return at < text.size() && text[at] == c;
}

// Where the field from `from` on ends: at a bar, at a line feed or at the end.
// Labels are the long part of a page, so they are scanned a word at a time.
std::size_t field_end(std::string_view text, std::size_t from) {
  using namespace byte_scan;
  if constexpr (by_words) {
    for (; from + 8 <= text.size(); from += 8) {
      const std::uint64_t word = word_at(text.data() + from);
      const std::uint64_t ends = bytes_equal(word, '|') | bytes_equal(word, '\n');
      if (ends != 0) return from + bytes_before(ends);
    }
  }
  while (from < text.size() && text[from] != '|' && text[from] != '\n') ++from;
  return from;
}

std::size_t line_end_from(std::string_view text, std::size_t from) {
  if (from < text.size() && text[from] == '\n') return from;  // the usual end, after the flag
  return std::min(text.find('\n', from), text.size());
}

// The leading decimal digits of text, and the record number they make: none
// when there are no digits or they exceed the 32-bit range, since no record
// can carry such a number. Both fields are whole words: a word read back
// from two smaller writes would wait for them.
struct LeadingNumber {
  static constexpr std::int64_t none = -1;
  std::size_t digits;
  std::int64_t number;

  std::optional<std::int32_t> record_number() const {
    if (number == none) return std::nullopt;
    return static_cast<std::int32_t>(number);
  }
};

LeadingNumber converted_number(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool fits = error == std::errc() && value <= std::numeric_limits<std::int32_t>::max();
  return {static_cast<std::size_t>(end - text.data()), fits ? value : LeadingNumber::none};
}

// The number that eight digits make, given as values 0 to 9 one a byte, the
// first digit lowest: neighbouring digits combine into pairs, pairs into
// fours, fours into one.
std::uint32_t value_of_eight_digits(std::uint64_t digits) {
  digits = (digits * 10 + (digits >> 8)) & 0x00ff00ff00ff00ffu;
  digits = (digits * 100 + (digits >> 16)) & 0x0000ffff0000ffffu;
  return static_cast<std::uint32_t>(digits * 10000 + (digits >> 32));
}

// Nearly every page line starts with a number of at most seven digits, read
// here from one word; longer numbers, and texts too short for a word, go to
// from_chars.
LeadingNumber leading_number(std::string_view text) {
  using namespace byte_scan;
  if (by_words && text.size() >= 8) {
    const std::uint64_t values = word_at(text.data()) ^ (ones * '0');  // digits become 0 to 9
    // A byte of value 10 or more has its high bit set, or gets it when 0x76
    // is added; only such a byte can carry into the next, so the first mark
    // is exact.
    const std::size_t digits = bytes_before((values | (values + ones * 0x76)) & highs);
    if (digits == 0) return {0, LeadingNumber::none};
    // The digits go to the top of the word, with zeros below them.
    if (digits < 8) return {digits, value_of_eight_digits(values << (64 - 8 * digits))};
  }
  return converted_number(text);
}

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

// Page lines start with their record, so the first colon of a line is
// usually right after its leading digits, and the leftmost match begins
// there or nowhere. Only other lines need the general matcher.
LineRecord match_first_line(std::string_view text) {
  const LeadingNumber leading = leading_number(text);
  const std::size_t colon = leading.digits;
  const std::size_t first_bar = is_at(text, colon, ':') ? field_end(text, colon + 1) : text.size();
  const std::size_t second_bar =
      is_at(text, first_bar, '|') ? field_end(text, first_bar + 1) : text.size();
  const std::size_t flag = second_bar + 1;
  if (is_at(text, second_bar, '|') && flag < text.size() && is_flag_byte(text[flag])) {
    // The bounds are known to lie in the text: no need for substr's checks.
    auto field = [&text](std::size_t from, std::size_t to) {
      return std::string_view(text.data() + from, to - from);
    };
    return {{true, field(0, colon), field(colon + 1, first_bar), field(first_bar + 1, second_bar),
             field(flag, flag + 1)},
            leading.record_number(),
            line_end_from(text, flag + 1)};
  }
  const std::size_t line_end = line_end_from(text, 0);
  const RecordMatch record = match_record(text.substr(0, line_end));
  return {record, record_number(record.number), line_end};
}

std::optional<std::int32_t> record_number(std::string_view text) {
  return leading_number(text).record_number();
}
