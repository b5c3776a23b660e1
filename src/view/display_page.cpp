// Showing a page on the console: a title line, then its rows, each with its
// label and a star when it links somewhere; or only the rows a search finds,
// or the page's links and where they go. All three take one paging walk.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/messages.h"
#include "view/paging_walk.h"
#include "view/row_number.h"
#include "view/text_marks.h"
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

std::int32_t own_last_row(const PageModel& page) {
  return page.terminated ? page.last_line : highest_record(page);
}

// The first label past row `last`.
NumberedFields::const_iterator labels_past(const PageModel& page, std::int32_t last) {
  return std::upper_bound(page.line_labels.begin(), page.line_labels.end(), last,
                          [](std::int32_t n, const NumberedField& f) { return n < f.number; });
}

std::int32_t last_row(const PageModel& page, RowsShown rows) {
  return rows == RowsShown::own ? own_last_row(page) : page.last_line;
}

std::string_view star(bool links) { return links ? " *" : " "; }

// One row as the page shows it: number, label and a star when it links
// somewhere, unless the writing stopped or the reader goes back. Inline, so
// that the loop over a million rows makes no call for each: saves 2.5 ms of
// 23 in showing the million-record page.
inline Room show_row(ConsoleWriter& screen, std::string_view number, std::string_view label_field,
                     bool links) {
  const Room room =
      screen.paging() ? screen.make_room(number, label_field, star(links)) : Room::granted;
  if (!row_written(room)) return room;
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

// The rows of a page: the title at 0, then rows 1 to the last. Nothing here
// allocates but the marks of a search on a dumb terminal, so a page whose
// parse ran out of memory still shows.
struct PageRows {
  using Position = std::int64_t;

  ConsoleWriter& screen;
  const PageModel& page;
  bool says_no_records;  // a page of its own rows without any says so under its title
  std::int32_t last_line;
  RowNumber number{last_line};  // the next row's, as next_label and next_link are
  RowNumber measured{last_line};
  NumberedFields::const_iterator next_label = page.line_labels.begin();
  NumberedFields::const_iterator next_link = page.line_links.begin();
  const TextMarks* marks = nullptr;

  Position first() const { return 0; }
  bool done(Position row) const { return row > last_line; }
  Position end() const { return Position{last_line} + 1; }
  Position next(Position row) const { return row + 1; }
  Position previous(Position row) const { return row - 1; }

  std::size_t lines(Position wide_row) {
    if (wide_row == 0)
      return screen.lines_for(message::title, title_of(page), "") + (says_no_records ? 1 : 0);
    const auto row = static_cast<std::int32_t>(wide_row);
    const NumberedField* label = find_field(page.line_labels, row);
    const std::string_view end = star(find_field(page.line_links, row) != nullptr);
    if (marks) return marked_lines(screen, marks, measured.text_of(row), label_of(label), end);
    return screen.lines_for(measured.text_of(row), label ? text_from(page, *label) : "", end);
  }

  std::string_view label_of(const NumberedField* label) const {
    return label ? field_text(page, *label) : std::string_view();
  }

  // Only rows with a label can hold a text: the search walks the labels, not
  // the rows, which may be two billion.
  std::optional<Position> find_from(Position from, const TextFinder& finder) const {
    if (from > last_line) return std::nullopt;
    const auto first = static_cast<std::int32_t>(std::max<Position>(from, 1));
    const auto past = labels_past(page, last_line);
    for (auto label = first_field_from(page.line_labels, first); label < past; ++label)
      if (finder.found_in(field_text(page, *label))) return label->number;
    return std::nullopt;
  }
  std::optional<Position> find_before(Position before, const TextFinder& finder) const {
    const auto first = first_field_from(page.line_labels, 1);
    auto label = before > last_line
                     ? labels_past(page, last_line)
                     : first_field_from(page.line_labels, static_cast<std::int32_t>(before));
    while (label > first)
      if (--label; finder.found_in(field_text(page, *label))) return label->number;
    return std::nullopt;
  }

  Room show_title() {
    const Room room = screen.make_room(message::title, title_of(page), "");
    if (!row_written(room)) return room;
    screen.write(message::title);
    screen.write_visible_field(title_of(page));
    screen.write("\n");
    if (!says_no_records) return room;
    const Room under = screen.make_room(message::no_records, "", "");
    if (!row_written(under)) return under;
    screen.write(message::no_records);
    screen.write("\n");
    return room;
  }

  Room show(Position wide_row) {
    if (wide_row == 0) return show_title();
    const auto row = static_cast<std::int32_t>(wide_row);
    const NumberedField* label = record_at(page.line_labels, next_label, row);
    const bool links = record_at(page.line_links, next_link, row) != nullptr;
    const Room room =
        marks ? show_marked_row(screen, marks, number.text(), label_of(label), star(links))
              : show_row(screen, number.text(), label ? text_from(page, *label) : "", links);
    number.count_up();  // going back starts the count again, and stopping ends it
    return room;
  }

  void restart(Position wide_row) {
    const auto row = static_cast<std::int32_t>(std::max<Position>(wide_row, 1));
    number.start_at(row);
    next_label = first_field_from(page.line_labels, row);
    next_link = first_field_from(page.line_links, row);
  }
};

// The page's own rows whose label holds a text, marked where it is found.
// A long search stops at Ctrl-C, as the rows it shows do.
struct FoundRows {
  using Position = NumberedFields::const_iterator;

  Console& console;
  ConsoleWriter& screen;
  const PageModel& page;
  const TextFinder& finder;
  const TextMarks* marks;  // null through pipes
  std::int32_t last_line = own_last_row(page);
  RowNumber number{last_line};
  NumberedFields::const_iterator next_link = page.line_links.begin();
  Position first_found = found_from(first_field_from(page.line_labels, 1));

  bool matches(const Position& label) const { return finder.found_in(field_text(page, *label)); }

  Position found_from(Position label) {
    while (label != page.line_labels.end() && !matches(label)) {
      if (take_ctrl_c(console)) return page.line_labels.end();
      ++label;
    }
    return label;
  }

  Position first() const { return first_found; }
  bool done(const Position& label) const {
    return label == page.line_labels.end() || label->number > last_line;
  }
  Position end() const { return labels_past(page, last_line); }
  Position next(const Position& label) { return found_from(label + 1); }
  Position previous(Position label) const {
    do --label;
    while (!matches(label));
    return label;
  }

  std::optional<Position> find_from(const Position& from, const TextFinder& other) {
    return first_holding(*this, from, [&](const Position& label) {
      return other.found_in(field_text(page, *label));
    });
  }
  std::optional<Position> find_before(const Position& before, const TextFinder& other) {
    return last_holding_before(*this, before, [&](const Position& label) {
      return other.found_in(field_text(page, *label));
    });
  }

  std::size_t lines(const Position& label) {
    const std::string_view text = field_text(page, *label);
    return marked_lines(screen, marks, number.text_of(label->number), text,
                        star(find_field(page.line_links, label->number) != nullptr));
  }

  Room show(const Position& label) {
    const bool links = record_at(page.line_links, next_link, label->number) != nullptr;
    return show_marked_row(screen, marks, number.text_of(label->number), field_text(page, *label),
                           star(links));
  }

  void restart(const Position& label) {
    next_link = first_field_from(page.line_links, label->number);
  }
};

// Every record with a link, as "<row>: <label> -> <address>".
struct LinkRows {
  using Position = NumberedFields::const_iterator;

  ConsoleWriter& screen;
  const PageModel& page;
  RowNumber number{own_last_row(page)};
  NumberedFields::const_iterator next_label = page.line_labels.begin();
  std::string line{};  // label, arrow and address: network text, shown safely
  const TextMarks* marks = nullptr;

  void make_line(std::string& made, const NumberedField& link, const NumberedField* label) const {
    made.assign(label ? field_text(page, *label) : std::string_view());
    made += " -> ";
    append_followed_address(made, field_text(page, link));
  }
  void make_line(const NumberedField& link, const NumberedField* label) {
    make_line(line, link, label);
  }

  Position first() const { return page.line_links.begin(); }
  bool done(const Position& link) const { return link == page.line_links.end(); }
  Position end() const { return page.line_links.end(); }

  // Whether the line of `link` holds the text: made apart, since `line`
  // may be the row being shown.
  bool holds(const Position& link, const TextFinder& finder) const {
    std::string made;
    make_line(made, *link, find_field(page.line_labels, link->number));
    return finder.found_in(made);
  }
  std::optional<Position> find_from(const Position& from, const TextFinder& finder) {
    return first_holding(*this, from, [&](const Position& link) { return holds(link, finder); });
  }
  std::optional<Position> find_before(const Position& before, const TextFinder& finder) {
    return last_holding_before(*this, before,
                               [&](const Position& link) { return holds(link, finder); });
  }
  Position next(const Position& link) const { return link + 1; }
  Position previous(const Position& link) const { return link - 1; }

  std::size_t lines(const Position& link) {
    make_line(*link, find_field(page.line_labels, link->number));
    return marked_lines(screen, marks, number.text_of(link->number), line, "");
  }

  Room show(const Position& link) {
    make_line(*link, record_at(page.line_labels, next_label, link->number));
    return show_marked_row(screen, marks, number.text_of(link->number), line, "");
  }

  void restart(const Position& link) {
    next_label = first_field_from(page.line_labels, link->number);
  }
};

}  // namespace

void display_page(const PageModel& page, RowsShown rows, Console& console) {
  ConsoleWriter screen(console);
  const bool says_no_records = rows == RowsShown::own && page.line_labels.empty();
  PageRows walk{screen, page, says_no_records, last_row(page, rows)};
  page_through(screen, walk);
  screen.finish();
}

void display_matching_rows(const PageModel& page, std::string_view text, Console& console) {
  ConsoleWriter screen(console);
  const TextFinder finder(text, true);
  const TextMarks marks{&finder, console.mode.dumb};
  FoundRows walk{console, screen, page, finder, console.mode.terminal ? &marks : nullptr};
  const bool found = !walk.done(walk.first());
  page_through(screen, walk);
  if (!found) {
    screen.write(message::no_row_matches);
    screen.write("\n");
  }
  screen.finish();
}

void display_links(const PageModel& page, Console& console) {
  ConsoleWriter screen(console);
  LinkRows walk{screen, page};
  page_through(screen, walk);
  if (page.line_links.empty()) {
    screen.write(message::no_links);
    screen.write("\n");
  }
  screen.finish();
}
