// Showing a page on the console: a title line, then rows 1 to last_line, each
// with its label and a star when it links somewhere.
#include <algorithm>
#include <array>
#include <cstring>
#include <ostream>

#include "console/console.h"
#include "page/byte_scan.h"
#include "page/page.h"
#include "page/page_records.h"

namespace {

constexpr std::size_t flush_threshold = std::size_t{64} << 10;

// Room past the threshold for a row once it has begun: its number, a label
// copied in whole words, and its end.
constexpr std::size_t row_slack = 64;

// A row ends in " *\n" or " \n", copied as four bytes either way.
constexpr std::size_t row_end_bytes = 4;

// Rows are written straight into a fixed buffer, which goes to the console in
// pieces of about flush_threshold bytes.
struct RowBuffer {
  explicit RowBuffer(std::ostream& out) : out(out), bytes(flush_threshold + row_slack, '\0') {}

  char* next() { return bytes.data() + used; }
  bool full() const { return used >= flush_threshold; }
  void flush() {
    out.write(bytes.data(), static_cast<std::streamsize>(used));
    used = 0;
  }
  // Text of any length, in pieces that fit.
  void append(std::string_view text) {
    while (!text.empty()) {
      if (full()) flush();
      const std::size_t piece = std::min(text.size(), flush_threshold - used);
      std::memcpy(next(), text.data(), piece);
      used += piece;
      text.remove_prefix(piece);
    }
  }

  std::ostream& out;
  std::string bytes;
  std::size_t used = 0;
  std::string visible;  // a label that needs the console's writer, shown
};

// The row number and the ": " after it, zero-padded to the width of
// last_line and counted up in place. The slot is copied whole, as one word
// pair; only its first width + 2 bytes count. It is counted up after the
// copy, not before: a word read just after a byte of it was written would
// wait for that write.
struct RowNumber {
  explicit RowNumber(std::int32_t last_line) : width(std::to_string(last_line).size()) {
    slot.fill('0');
    slot[width] = ':';
    slot[width + 1] = ' ';
    count_up();  // rows start at 1
  }
  void write_next(RowBuffer& rows) {
    std::memcpy(rows.next(), slot.data(), slot.size());
    rows.used += width + 2;
    count_up();
  }
  void count_up() {
    for (std::size_t i = width; i-- > 0;) {
      if (slot[i] != '9') {
        ++slot[i];
        return;
      }
      slot[i] = '0';
    }
  }
  std::size_t width;
  std::array<char, 16> slot{};  // wide enough for 2147483647 and ": "
};

// How many bytes at the start of `text` are printable ASCII other than the
// bar, copying whole words of them to `to`: such bytes show as they are.
std::size_t copy_plain(std::string_view text, char* to) {
  using namespace byte_scan;
  std::size_t copied = 0;
  if constexpr (by_words) {
    for (; copied + 8 <= text.size(); copied += 8) {
      const std::uint64_t word = word_at(text.data() + copied);
      std::memcpy(to + copied, &word, 8);
      const std::uint64_t stops = (word & highs) | bytes_below(word, 0x20) |
                                  bytes_equal(word, 0x7f) | bytes_equal(word, '|');
      if (stops != 0) return copied + bytes_before(stops);
    }
  }
  return copied;
}

// A label, which runs from the start of `rest` to the next bar. Its plain
// ASCII is copied a word at a time, as far as the buffer has room; whatever
// follows goes through the console's writer.
void write_label(RowBuffer& rows, std::string_view rest) {
  const std::size_t room = rows.bytes.size() - row_end_bytes - rows.used;
  const std::size_t plain = copy_plain(rest.substr(0, room), rows.next());
  rows.used += plain;
  rest.remove_prefix(plain);
  if (rest.empty() || rest.front() == '|') return;
  const std::string_view tail = rest.substr(0, rest.find('|'));
  // Only a tail longer than the threshold makes the writer write out itself.
  if (tail.size() > flush_threshold) rows.flush();
  rows.visible.clear();
  append_visible(rows.visible, tail, rows.out, flush_threshold);
  rows.append(rows.visible);
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
  RowBuffer rows(out);
  rows.append("TITLE: ");
  if (auto title = find_record(page.line_labels, 0))
    write_label(rows, std::string_view(page.body).substr(title->at));
  rows.append("\n");

  RowNumber row_number(page.last_line);
  auto next_label = page.line_labels.begin();
  auto next_link = page.line_links.begin();
  for (std::int64_t wide_row = 1; wide_row <= page.last_line; ++wide_row) {
    auto row = static_cast<std::int32_t>(wide_row);
    row_number.write_next(rows);
    if (auto label = record_at(page.line_labels, next_label, row))
      write_label(rows, std::string_view(page.body).substr(label->at));
    const bool links = record_at(page.line_links, next_link, row) != nullptr;
    std::memcpy(rows.next(), links ? " *\n" : " \n\0", row_end_bytes);
    rows.used += links ? 3 : 2;
    if (rows.full()) {
      rows.flush();
      if (take_interrupt()) {  // Ctrl-C: the rows stop, the prompt comes next
        out << '\n' << std::flush;
        return;
      }
    }
  }
  rows.flush();
  out.flush();
}
