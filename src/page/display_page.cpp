// Showing a page on the console: a title line, then rows 1 to last_line, each
// with its label and a star when it links somewhere; or, at a terminal, only
// the rows a search finds, or the page's links and where they go.
#include <algorithm>
#include <charconv>
#include <string>

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
  // Any record number instead, padded the same way; one wider than the last
  // row stays whole.
  std::string_view text_of(std::int32_t number) {
    std::array<char, 11> raw{};
    char* end = std::to_chars(raw.data(), raw.data() + raw.size(), number).ptr;
    const auto size = static_cast<std::size_t>(end - raw.data());
    const std::size_t padding = size < width ? width - size : 0;
    std::fill_n(digits.begin(), padding, '0');
    std::copy(raw.data(), end, digits.data() + padding);
    digits[padding + size] = ':';
    digits[padding + size + 1] = ' ';
    return {digits.data(), padding + size + 2};
  }
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

// One row as the page shows it: number, label and a star when it links
// somewhere. False when the writing stopped.
bool show_row(ConsoleWriter& screen, std::string_view number, std::string_view label_field,
              bool links) {
  if (screen.paging && !screen.make_room(number, label_field, links ? " *" : " ")) return false;
  screen.write(number);
  screen.write_visible_field(label_field);
  screen.write(links ? " *\n" : " \n");
  return true;
}

// Whether `label` holds `lower_text`, which is in lower case, in any case.
bool holds_ignoring_case(std::string_view label, std::string_view lower_text) {
  return std::search(label.begin(), label.end(), lower_text.begin(), lower_text.end(),
                     [](char a, char b) { return ascii_lower(a) == b; }) != label.end();
}

// The writing is over: a row stopped midway still ends its line, so that the
// prompt starts one.
void finish(ConsoleWriter& screen) {
  screen.flush();
  if (screen.line_open) screen.out << '\n';
  screen.out.flush();
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
    if (!show_row(screen, number.text(), label_field, links)) break;
    number.count_up();
  }
  finish(screen);
}

void display_matching_rows(const PageModel& page, std::string_view text, std::ostream& out) {
  ConsoleWriter screen(out);
  const std::int32_t last_line = last_row(page);
  RowNumber number(last_line);
  std::string lower_text(text);
  std::transform(lower_text.begin(), lower_text.end(), lower_text.begin(), ascii_lower);
  bool found = false;
  auto next_link = page.line_links.begin();
  auto label = std::lower_bound(
      page.line_labels.begin(), page.line_labels.end(), 1,
      [](const PageRecord& record, std::int32_t row) { return record.number < row; });
  for (; label != page.line_labels.end() && label->number <= last_line && !screen.stopped;
       ++label) {
    if (!holds_ignoring_case(record_text(page, *label), lower_text)) continue;
    found = true;
    const bool links = record_at(page.line_links, next_link, label->number) != nullptr;
    if (!show_row(screen, number.text_of(label->number), field_at(page, *label), links)) break;
  }
  if (!found) screen.write("NO ROW MATCHES\n");
  finish(screen);
}

void display_links(const PageModel& page, void (*append_address)(std::string&, std::string_view),
                   std::ostream& out) {
  ConsoleWriter screen(out);
  RowNumber number(last_row(page));
  std::string line;  // label, arrow and address: network text, shown safely
  auto next_label = page.line_labels.begin();
  for (const PageRecord& link : page.line_links) {
    const PageRecord* label = record_at(page.line_labels, next_label, link.number);
    line.assign(label ? record_text(page, *label) : std::string_view());
    line += " -> ";
    append_address(line, record_text(page, link));
    const std::string_view row = number.text_of(link.number);
    if (!screen.make_room(row, line, "")) break;
    screen.write(row);
    screen.write_visible(line);
    screen.write("\n");
  }
  if (page.line_links.empty()) screen.write("NO LINKS\n");
  finish(screen);
}
