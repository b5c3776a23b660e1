// Showing a page on the console: a title line, then its rows, each with its
// label and a star when it links somewhere; or only the rows a search finds,
// or the page's links and where they go. All three take one paging walk.
#include <algorithm>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "base/messages.h"
#include "view/paging_walk.h"
#include "view/row_number.h"
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

// The rows of a page: the title at 0, then rows 1 to the last. Nothing here
// allocates, so a page whose parse ran out of memory still shows.
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

  Position first() const { return 0; }
  bool done(Position row) const { return row > last_line; }
  Position next(Position row) const { return row + 1; }
  Position previous(Position row) const { return row - 1; }

  std::size_t lines(Position wide_row) {
    if (wide_row == 0)
      return screen.lines_for(message::title, title_of(page), "") + (says_no_records ? 1 : 0);
    const auto row = static_cast<std::int32_t>(wide_row);
    const NumberedField* label = find_field(page.line_labels, row);
    return screen.lines_for(measured.text_of(row), label ? text_from(page, *label) : "",
                            star(find_field(page.line_links, row) != nullptr));
  }

  Room show_title() {
    const Room room = screen.make_room(message::title, title_of(page), "");
    if (room == Room::stopped || room == Room::back) return room;
    screen.write(message::title);
    screen.write_visible_field(title_of(page));
    screen.write("\n");
    if (says_no_records && screen.make_room(message::no_records, "", "") != Room::stopped) {
      screen.write(message::no_records);
      screen.write("\n");
    }
    return room;
  }

  Room show(Position wide_row) {
    if (wide_row == 0) return show_title();
    const auto row = static_cast<std::int32_t>(wide_row);
    const NumberedField* label = record_at(page.line_labels, next_label, row);
    const bool links = record_at(page.line_links, next_link, row) != nullptr;
    const Room room = show_row(screen, number.text(), label ? text_from(page, *label) : "", links);
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
    return find_in(label, 0) != std::string_view::npos;
  }

  // Where the text is first found in `label` from `from` on; npos if not.
  std::size_t find_in(std::string_view label, std::size_t from) const {
    if (lower.empty()) return from <= label.size() ? from : std::string_view::npos;
    std::size_t matched = 0;
    for (std::size_t at = from; at < label.size(); ++at) {
      const char l = ascii_lower(label[at]);
      while (matched > 0 && l != lower[matched]) matched = fallback[matched];
      if (l == lower[matched] && ++matched == lower.size()) return at + 1 - lower.size();
    }
    return std::string_view::npos;
  }
  std::size_t size() const { return lower.size(); }

 private:
  std::string lower;
  std::vector<std::size_t> fallback;  // by prefix length
};

// The page's own rows whose label holds a text. A long search stops at
// Ctrl-C, as the rows it shows do.
struct FoundRows {
  using Position = NumberedFields::const_iterator;

  Console& console;
  ConsoleWriter& screen;
  const PageModel& page;
  const CaseFreeFinder& finder;
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
  Position next(const Position& label) { return found_from(label + 1); }
  Position previous(Position label) const {
    do --label;
    while (!matches(label));
    return label;
  }

  // Marks around each time the text is found, at a terminal: reverse video,
  // or on a dumb terminal, which gets no escape sequence, brackets.
  bool marked() const { return console.mode.terminal && finder.size() > 0; }
  std::string_view mark_on() const { return console.mode.dumb ? "[" : "\x1b[7m"; }
  std::string_view mark_off() const { return console.mode.dumb ? "]" : "\x1b[27m"; }

  // The label as the screen shows it, for counting its lines: with the
  // brackets a dumb terminal's marks add.
  std::string counted_label(std::string_view label) const {
    if (!console.mode.dumb) return std::string(label);
    std::string marked;
    each_piece(label, [&marked](std::string_view piece, bool found) {
      if (found) marked += '[';
      marked += piece;
      if (found) marked += ']';
    });
    return marked;
  }

  // Walks the label piece by piece: the text where it is found (at a
  // terminal), and what lies between.
  template <typename Visit>
  void each_piece(std::string_view label, Visit visit) const {
    std::size_t from = 0;
    for (std::size_t at = marked() ? finder.find_in(label, 0) : std::string_view::npos;
         at != std::string_view::npos; at = finder.find_in(label, from)) {
      visit(label.substr(from, at - from), false);
      visit(label.substr(at, finder.size()), true);
      from = at + finder.size();
    }
    visit(label.substr(from), false);
  }

  std::size_t lines(const Position& label) {
    return screen.lines_for(number.text_of(label->number), counted_label(field_text(page, *label)),
                            star(find_field(page.line_links, label->number) != nullptr));
  }

  // The row, with the text marked where it is found.
  Room show(const Position& label) {
    const bool links = record_at(page.line_links, next_link, label->number) != nullptr;
    const std::string_view text = field_text(page, *label);
    const Room room =
        screen.make_room(number.text_of(label->number), counted_label(text), star(links));
    if (room == Room::stopped || room == Room::back) return room;
    screen.write(number.text_of(label->number));
    each_piece(text, [this](std::string_view piece, bool found) {
      if (found) screen.write(mark_on());
      screen.write_visible(piece);
      if (found) screen.write(mark_off());
    });
    screen.write(links ? " *\n" : " \n");
    return room;
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

  void make_line(const NumberedField& link, const NumberedField* label) {
    line.assign(label ? field_text(page, *label) : std::string_view());
    line += " -> ";
    append_followed_address(line, field_text(page, link));
  }

  Position first() const { return page.line_links.begin(); }
  bool done(const Position& link) const { return link == page.line_links.end(); }
  Position next(const Position& link) const { return link + 1; }
  Position previous(const Position& link) const { return link - 1; }

  std::size_t lines(const Position& link) {
    make_line(*link, find_field(page.line_labels, link->number));
    return screen.lines_for(number.text_of(link->number), line, "");
  }

  Room show(const Position& link) {
    make_line(*link, record_at(page.line_labels, next_label, link->number));
    const std::string_view row = number.text_of(link->number);
    const Room room = screen.make_room(row, line, "");
    if (room == Room::stopped || room == Room::back) return room;
    screen.write(row);
    screen.write_visible(line);
    screen.write("\n");
    return room;
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
  const CaseFreeFinder finder(text);
  FoundRows walk{console, screen, page, finder};
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
