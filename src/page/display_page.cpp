// Showing a page on the console (a title line, then rows 1 to last_line) and
// answering which target a record links to.
#include <algorithm>
#include <array>
#include <charconv>

#include "page/page.h"

namespace {

constexpr std::size_t flush_threshold = std::size_t{64} << 10;

bool is_control(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; }

const PageRecord* find_record(const std::vector<PageRecord>& records, std::int32_t number) {
  auto it = std::lower_bound(records.begin(), records.end(), number,
                             [](const PageRecord& r, std::int32_t n) { return r.number < n; });
  return it != records.end() && it->number == number ? &*it : nullptr;
}

int decimal_width(std::int32_t n) {
  int width = 1;
  for (; n >= 10; n /= 10) ++width;
  return width;
}

void append_row_number(std::string& out, std::int32_t row, int width) {
  std::array<char, 16> digits{};
  auto end = std::to_chars(digits.data(), digits.data() + digits.size(), row).ptr;
  auto length = static_cast<int>(end - digits.data());
  out.append(static_cast<std::size_t>(std::max(0, width - length)), '0');
  out.append(digits.data(), end);
}

// Walks the ordered records alongside the row numbers instead of looking each
// row up: a record at or after `row` is always at `next`.
std::string_view text_at(const std::vector<PageRecord>& records,
                         std::vector<PageRecord>::const_iterator& next, std::int32_t row) {
  while (next != records.end() && next->number < row) ++next;
  return next != records.end() && next->number == row ? next->text() : std::string_view();
}

}  // namespace

void append_visible(std::string& out, std::string_view text) {
  auto safe = [](char c) { return !is_control(static_cast<unsigned char>(c)); };
  while (!text.empty()) {
    auto run = std::find_if_not(text.begin(), text.end(), safe) - text.begin();
    out.append(text.substr(0, static_cast<std::size_t>(run)));
    text.remove_prefix(static_cast<std::size_t>(run));
    if (text.empty()) break;
    auto c = static_cast<unsigned char>(text.front());
    out += '^';
    out += c == 0x7f ? '?' : static_cast<char>(c + 0x40);
    text.remove_prefix(1);
  }
}

void display_page(const PageModel& page, std::ostream& out) {
  std::string buffer = "TITLE: ";
  if (auto title = find_record(page.line_labels, 0)) append_visible(buffer, title->text());
  buffer += '\n';

  const int width = decimal_width(page.last_line);
  auto next_label = page.line_labels.begin();
  auto next_link = page.line_links.begin();
  for (std::int64_t wide_row = 1; wide_row <= page.last_line; ++wide_row) {
    auto row = static_cast<std::int32_t>(wide_row);
    append_row_number(buffer, row, width);
    buffer += ": ";
    append_visible(buffer, text_at(page.line_labels, next_label, row));
    buffer += text_at(page.line_links, next_link, row).empty() ? " \n" : " *\n";
    if (buffer.size() >= flush_threshold) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  out.flush();
}

std::string link_target(const PageModel& page, std::int32_t number) {
  auto link = find_record(page.line_links, number);
  return link ? std::string(link->text()) : std::string();
}
