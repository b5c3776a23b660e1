// Showing a page on the console: a title line, then rows 1 to last_line, each
// with its label and a star when it links somewhere.
#include <ostream>

#include "console/console.h"
#include "page/page.h"
#include "page/page_records.h"

namespace {

constexpr std::size_t flush_threshold = std::size_t{64} << 10;

// The row number, zero-padded to the width of last_line, counted up in place.
struct RowNumber {
  explicit RowNumber(std::int32_t last_line) : digits(std::to_string(last_line)) {
    digits.assign(digits.size(), '0');
  }
  std::string_view next() {
    for (std::size_t i = digits.size(); i-- > 0;) {
      if (digits[i] != '9') {
        ++digits[i];
        break;
      }
      digits[i] = '0';
    }
    return digits;
  }
  std::string digits;
};

void flush(std::string& buffer, std::ostream& out) {
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  buffer.clear();
}

// Walks the ordered records alongside the row numbers instead of looking each
// row up: a record at or after `row` is always at `next`.
const PageRecord* record_at(const PageRecords& records, PageRecords::const_iterator& next,
                            std::int32_t row) {
  while (next != records.end() && next->number < row) ++next;
  return next != records.end() && next->number == row ? &*next : nullptr;
}

}  // namespace

void display_page(const PageModel& page, std::ostream& out) {
  std::string buffer = "TITLE: ";
  if (auto title = find_record(page.line_labels, 0))
    append_visible(buffer, record_text(page, *title), out, flush_threshold);
  buffer += '\n';

  RowNumber row_number(page.last_line);
  auto next_label = page.line_labels.begin();
  auto next_link = page.line_links.begin();
  for (std::int64_t wide_row = 1; wide_row <= page.last_line; ++wide_row) {
    auto row = static_cast<std::int32_t>(wide_row);
    buffer += row_number.next();
    buffer += ": ";
    if (auto label = record_at(page.line_labels, next_label, row))
      append_visible(buffer, record_text(page, *label), out, flush_threshold);
    buffer += record_at(page.line_links, next_link, row) ? " *\n" : " \n";
    if (buffer.size() >= flush_threshold) {
      flush(buffer, out);
      if (take_interrupt()) {  // Ctrl-C: the rows stop, the prompt comes next
        out << '\n' << std::flush;
        return;
      }
    }
  }
  flush(buffer, out);
  out.flush();
}
