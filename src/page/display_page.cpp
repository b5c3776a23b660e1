// Showing a page on the console: a title line, then rows 1 to last_line, each
// with its label and a star when it links somewhere.
#include <algorithm>
#include <charconv>

#include "console/console.h"
#include "page/page.h"
#include "page/page_records.h"

namespace {

// The text from where a record's field starts to the end of the body: the
// field is its start, up to the first bar.
std::string_view field_at(const PageModel& page, const PageRecord& record) {
  return std::string_view(page.body).substr(record.at);
}

// Walks the ordered records alongside the row numbers instead of looking each
// row up: a record at or after `row` is always at `next`.
const PageRecord* record_at(const PageRecords& records, PageRecords::const_iterator& next,
                            std::int32_t row) {
  while (next != records.end() && next->number < row) ++next;
  return next != records.end() && next->number == row ? &*next : nullptr;
}

// The row numbers, zero-padded to the width of last_line and each followed
// by ": ", counted up in place from 1: saves 4 ms of 32 in showing the
// million-record page, against a conversion for each row.
struct RowNumber {
  explicit RowNumber(std::int32_t last_line) {
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), last_line).ptr;
    width = static_cast<std::size_t>(end - digits.data());
    std::fill(digits.begin(), digits.begin() + width, '0');
    digits[width] = ':';
    digits[width + 1] = ' ';
    count_up();  // rows start at 1
  }
  std::string_view text() const { return {digits.data(), width + 2}; }
  void count_up() {
    for (std::size_t i = width; i-- > 0;) {
      if (digits[i] != '9') {
        ++digits[i];
        return;
      }
      digits[i] = '0';
    }
  }

  std::array<char, 16> digits{};  // room for 2147483647 and ": "
  std::size_t width = 0;
};

// The last row shown. At a terminal a page without a terminator record shows
// its own records, not the row count of the page before.
std::int32_t last_row(const PageModel& page) {
  if (!at_terminal() || page.terminated) return page.last_line;
  return page.line_labels.empty() ? 0 : page.line_labels.back().number;
}

}  // namespace

// Nothing here allocates, so a page whose parse ran out of memory still shows.
// At a terminal the rows come one screenful at a time.
void display_page(const PageModel& page, std::ostream& out) {
  ConsoleWriter screen(out);
  const PageRecord* title = find_record(page.line_labels, 0);
  const std::string_view title_field = title ? field_at(page, *title) : std::string_view();
  if (screen.make_room("TITLE: ", title_field, "")) {
    screen.write("TITLE: ");
    screen.write_visible_field(title_field);
    screen.write("\n");
  }
  if (at_terminal() && page.line_labels.empty() && screen.make_room("(NO RECORDS)", "", ""))
    screen.write("(NO RECORDS)\n");

  const std::int32_t last_line = last_row(page);
  RowNumber number(last_line);
  auto next_label = page.line_labels.begin();
  auto next_link = page.line_links.begin();
  for (std::int64_t wide_row = 1; wide_row <= last_line && !screen.stopped; ++wide_row) {
    auto row = static_cast<std::int32_t>(wide_row);
    const PageRecord* label = record_at(page.line_labels, next_label, row);
    const std::string_view label_field = label ? field_at(page, *label) : std::string_view();
    const bool links = record_at(page.line_links, next_link, row) != nullptr;
    if (screen.paging && !screen.make_room(number.text(), label_field, links ? " *" : " ")) break;
    screen.write(number.text());
    number.count_up();
    screen.write_visible_field(label_field);
    if (links)
      screen.write(" *\n");
    else
      screen.write(" \n");
  }
  screen.flush();
  if (screen.line_open) out << '\n';  // stopped within a row: the prompt starts a line
  out.flush();
}