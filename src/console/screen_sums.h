// Inside the console: the screen's sums. How many lines and columns text
// takes on a screen of a given width, and when the pager pauses; plain
// functions of rows and columns, which the writer feeds with the terminal's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/shown_text.h"

// Where text puts the cursor on a screen `columns` wide: the lines it has
// taken and the column on the last. A character that does not fit on a line
// starts the next, as terminals wrap; one that ends a line exactly does not.
struct Span {
  std::size_t columns;
  std::size_t lines = 1;
  std::size_t column = 0;

  void place(std::size_t width);
  // Printable ASCII: a column a byte, tabs to the next stop.
  void place_ascii(std::string_view text);
  // One piece of shown text, as each_shown_piece gives it. A passed UTF-8
  // character is as wide as the locale says (0 for combining marks, 2 for
  // wide ones); a passed Latin-1 byte takes one column.
  void place_piece(std::string_view shown, bool passed);
};

// The lines a row takes on a screen `columns` wide: `own`, the shown form of
// `field` up to its first bar, and `own_end`. The count stops once it passes
// `enough`.
std::size_t row_lines(std::string_view own, std::string_view field, std::string_view own_end,
                      std::size_t columns, TextRule rule, std::size_t enough);

// `own` and the shown form of `text` as one line of a screen `columns` wide:
// all of it when it fits, else what fits beside "...", which ends it.
std::string fitted_line(std::string_view own, std::string_view text, std::size_t columns,
                        TextRule rule);

// The pause's line on a screen `columns` wide: which keys do what, as much as
// fits, and never as wide as the screen, so that it never wraps and erasing
// it leaves nothing between the rows.
std::string_view more_line(std::size_t columns);

// What a key pressed at the pause asks for. `key` is all that one key sent:
// a byte, or a whole escape sequence (an arrow, PageDown, a function key,
// Alt with a letter), so that no part of one reaches the command line.
enum class More {
  screen,          // Space, PageDown, f: the next screenful
  row,             // Enter, Down, j: one more row
  back,            // PageUp, Up, b, k: the screenful before, written again
  stop,            // q, Ctrl-C: no more rows
  command,         // a digit: no more rows, and the command line starts with it
  find,            // /: find a text, typed after it
  next_match,      // n: the next row that holds it
  previous_match,  // N: the row before that holds it
  last_screen,     // G: the last screenful
  keys,            // h: list these keys
  nothing,         // any other key, taken by the pause
};
More more_for(std::string_view key);

// The pager's count: the lines shown since the last pause, and how many are
// allowed before the next.
struct PageCount {
  std::size_t lines_shown = 0;
  std::size_t lines_allowed = 0;

  // A new screenful on a screen of `rows`, whose last line is kept for the
  // pause or the prompt.
  void new_screen(std::size_t rows);
  // Whether a row of `lines` must wait for a pause. The first row of a
  // screenful never does, however long.
  bool must_pause(std::size_t lines) const;
  // One row of `lines` more, after the pause.
  void allow_one_more(std::size_t lines);
  void count(std::size_t lines);
};
