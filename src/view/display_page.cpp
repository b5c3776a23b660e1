// Showing a page on the console: a title line, then its rows, each with its
// label and a star when it links somewhere; or only the rows a search finds,
// or the page's links and where they go.
#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/messages.h"
#include "console/console.h"
#include "view/view.h"
#include "web/web.h"

namespace {

// Walks the ordered records alongside the row numbers instead of looking each
// row up: a record at or after `row` is always at `next`.
const NumberedField* record_at(const NumberedFields& records, NumberedFields::const_iterator& next,
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
  // Counts on from `row` instead, as count_up does from there.
  void start_at(std::int32_t row) { text_of(row); }
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

std::int32_t own_last_row(const PageModel& page) {
  return page.terminated ? page.last_line : highest_record(page);
}

std::int32_t last_row(const PageModel& page, RowsShown rows) {
  return rows == RowsShown::own ? own_last_row(page) : page.last_line;
}

// One row as the page shows it: number, label and a star when it links
// somewhere, unless the writing stopped or the reader goes back. Inline, so
// that the loop over a million rows makes no call for each: saves 2.5 ms of
// 23 in showing the million-record page.
inline Room show_row(ConsoleWriter& screen, std::string_view number, std::string_view label_field,
                     bool links) {
  const Room room =
      screen.paging() ? screen.make_room(number, label_field, links ? " *" : " ") : Room::granted;
  if (room == Room::stopped || room == Room::back) return room;
  screen.write(number);
  screen.write_visible_field(label_field);
  // Each end a literal of its own, whose length the compiler knows, so that
  // it is copied without a call: saves 1 ms of 23 on the million-record page.
  if (links)
    screen.write(" *\n");
  else
    screen.write(" \n");
  return room;
}

std::string_view title_of(const PageModel& page) {
  const NumberedField* title = find_field(page.line_labels, 0);
  return title ? text_from(page, *title) : std::string_view();
}

void show_title(ConsoleWriter& screen, const PageModel& page, RowsShown rows) {
  const std::string_view title_field = title_of(page);
  if (screen.make_room(message::title, title_field, "") != Room::stopped) {
    screen.write(message::title);
    screen.write_visible_field(title_field);
    screen.write("\n");
  }
  if (rows == RowsShown::own && page.line_labels.empty() &&
      screen.make_room(message::no_records, "", "") != Room::stopped) {
    screen.write(message::no_records);
    screen.write("\n");
  }
}

// The row that the screenful before the one starting at `start` begins with
// (0 for the title): as many rows before it as fill a screen. Each is looked
// up afresh, so nothing is allocated.
std::int64_t screen_before(const ConsoleWriter& screen, const PageModel& page,
                           std::int32_t last_line, std::int64_t start) {
  RowNumber number(last_line);
  std::size_t room = screen.screenful();
  std::int64_t row = start;
  while (row > 0) {
    const auto before = static_cast<std::int32_t>(row - 1);
    std::size_t lines = 0;
    if (before == 0) {
      lines = screen.lines_for(message::title, title_of(page), "");
    } else {
      const NumberedField* label = find_field(page.line_labels, before);
      const bool links = find_field(page.line_links, before) != nullptr;
      lines = screen.lines_for(number.text_of(before), label ? text_from(page, *label) : "",
                               links ? " *" : " ");
    }
    if (lines > room && row != start) break;
    room -= std::min(lines, room);
    --row;
  }
  return row;
}

// Finds a text in labels, ignoring ASCII case, in time linear in the label
// and the text (Knuth, Morris and Pratt): for each prefix of the text, how
// much of it is also a prefix of the text, so that a mismatch never goes back
// in the label. A 30,000-byte text in a 1 MiB label takes milliseconds, not
// the half minute a naive search takes.
class CaseFreeFinder {
 public:
  explicit CaseFreeFinder(std::string_view text) : lower(text), fallback(text.size() + 1, 0) {
    std::transform(lower.begin(), lower.end(), lower.begin(), ascii_lower);
    for (std::size_t i = 1, k = 0; i < lower.size(); ++i) {
      while (k > 0 && lower[i] != lower[k]) k = fallback[k];
      if (lower[i] == lower[k]) ++k;
      fallback[i + 1] = k;
    }
  }

  bool found_in(std::string_view label) const {
    std::size_t matched = 0;
    for (const char c : label) {
      const char l = ascii_lower(c);
      while (matched > 0 && l != lower[matched]) matched = fallback[matched];
      if (l == lower[matched] && ++matched == lower.size()) return true;
    }
    return lower.empty();
  }

 private:
  std::string lower;
  std::vector<std::size_t> fallback;  // by prefix length
};

}  // namespace

// Nothing here allocates, so a page whose parse ran out of memory still shows.
// At a terminal the rows come one screenful at a time, and the reader may go
// back a screenful: the rows before are written again.
void display_page(const PageModel& page, RowsShown rows, std::ostream& out) {
  ConsoleWriter screen(out);
  show_title(screen, page, rows);
  const std::int32_t last_line = last_row(page, rows);
  RowNumber number(last_line);
  auto next_label = page.line_labels.begin();
  auto next_link = page.line_links.begin();
  std::int64_t screen_start = 0;  // the row the screenful on show began with; 0 is the title
  for (std::int64_t wide_row = 1; wide_row <= last_line && !screen.stopped(); ++wide_row) {
    auto row = static_cast<std::int32_t>(wide_row);
    const NumberedField* label = record_at(page.line_labels, next_label, row);
    const std::string_view label_field = label ? text_from(page, *label) : std::string_view();
    const bool links = record_at(page.line_links, next_link, row) != nullptr;
    const Room room = show_row(screen, number.text(), label_field, links);
    if (room == Room::stopped) break;
    if (room == Room::back) {
      screen_start = screen_before(screen, page, last_line, screen_start);
      if (screen_start == 0) show_title(screen, page, rows);
      wide_row = std::max<std::int64_t>(screen_start, 1) - 1;  // the loop counts on from here
      number.start_at(static_cast<std::int32_t>(wide_row + 1));
      next_label = first_field_from(page.line_labels, static_cast<std::int32_t>(wide_row + 1));
      next_link = first_field_from(page.line_links, static_cast<std::int32_t>(wide_row + 1));
      continue;
    }
    if (room == Room::new_screen) screen_start = wide_row;
    number.count_up();
  }
  screen.finish();
}

// Found rows come a screenful at a time as the page's do; going back writes
// the found rows of the screenful before again.
void display_matching_rows(const PageModel& page, std::string_view text, std::ostream& out) {
  ConsoleWriter screen(out);
  const std::int32_t last_line = own_last_row(page);
  RowNumber number(last_line);
  const CaseFreeFinder finder(text);
  const auto first = first_field_from(page.line_labels, 1);
  const auto found_at = [&](const NumberedFields::const_iterator& label) {
    return finder.found_in(field_text(page, *label));
  };
  // The found row the screenful before the one starting at `start` begins with.
  const auto screen_before = [&](const NumberedFields::const_iterator& start) {
    std::size_t room = screen.screenful();
    auto begins = start;
    for (auto label = start; label != first;) {
      --label;
      if (!found_at(label)) continue;
      const bool links = find_field(page.line_links, label->number) != nullptr;
      const std::size_t lines = screen.lines_for(number.text_of(label->number),
                                                 text_from(page, *label), links ? " *" : " ");
      if (lines > room && begins != start) break;
      room -= std::min(lines, room);
      begins = label;
    }
    return begins;
  };
  bool found = false;
  auto next_link = page.line_links.begin();
  auto label = first;
  auto screen_start = first;
  while (label != page.line_labels.end() && label->number <= last_line && !screen.stopped()) {
    if (take_ctrl_c()) break;  // a long search stops as the rows it shows do
    if (!found_at(label)) {
      ++label;
      continue;
    }
    found = true;
    const bool links = record_at(page.line_links, next_link, label->number) != nullptr;
    const Room room =
        show_row(screen, number.text_of(label->number), text_from(page, *label), links);
    if (room == Room::stopped) break;
    if (room == Room::back) {
      label = screen_start = screen_before(screen_start);
      next_link = first_field_from(page.line_links, label->number);
      continue;
    }
    if (room == Room::new_screen) screen_start = label;
    ++label;
  }
  if (!found) {
    screen.write(message::no_row_matches);
    screen.write("\n");
  }
  screen.finish();
}

// Links come a screenful at a time as rows do; going back writes the links of
// the screenful before again.
void display_links(const PageModel& page, std::ostream& out) {
  ConsoleWriter screen(out);
  RowNumber number(own_last_row(page));
  std::string line;  // label, arrow and address: network text, shown safely
  const auto make_line = [&](const NumberedField& link, const NumberedField* label) {
    line.assign(label ? field_text(page, *label) : std::string_view());
    line += " -> ";
    append_followed_address(line, field_text(page, link));
  };
  // The link the screenful before the one starting at `start` begins with.
  const auto screen_before = [&](const NumberedFields::const_iterator& start) {
    std::size_t room = screen.screenful();
    auto begins = start;
    while (begins != page.line_links.begin()) {
      const auto before = std::prev(begins);
      make_line(*before, find_field(page.line_labels, before->number));
      const std::size_t lines = screen.lines_for(number.text_of(before->number), line, "");
      if (lines > room && begins != start) break;
      room -= std::min(lines, room);
      begins = before;
    }
    return begins;
  };
  auto next_label = page.line_labels.begin();
  auto link = page.line_links.cbegin();
  auto screen_start = link;
  while (link != page.line_links.end()) {
    make_line(*link, record_at(page.line_labels, next_label, link->number));
    const std::string_view row = number.text_of(link->number);
    const Room room = screen.make_room(row, line, "");
    if (room == Room::stopped) break;
    if (room == Room::back) {
      link = screen_start = screen_before(screen_start);
      next_label = first_field_from(page.line_labels, link->number);
      continue;
    }
    if (room == Room::new_screen) screen_start = link;
    screen.write(row);
    screen.write_visible(line);
    screen.write("\n");
    ++link;
  }
  if (page.line_links.empty()) {
    screen.write(message::no_links);
    screen.write("\n");
  }
  screen.finish();
}
