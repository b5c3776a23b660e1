// Inside the view: a text found in rows, and the marks that show where, for
// the rows /TEXT lists and for what the pager finds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

// Finds a text in rows, in time linear in the row and the text (Knuth, Morris
// and Pratt): for each prefix of the text, how much of it is also a prefix of
// the text, so that a mismatch never goes back in the row. A 30,000-byte text
// in a 1 MiB label takes milliseconds, not the half minute a naive search
// takes. ASCII letters match in either case when `ignore_case` is set.
class TextFinder {
 public:
  TextFinder(std::string_view text, bool ignore_case);

  bool found_in(std::string_view row) const { return find_in(row, 0) != std::string_view::npos; }
  // Where the text is first found in `row` from `from` on; npos if not.
  std::size_t find_in(std::string_view row, std::size_t from) const;
  std::size_t match_size() const { return wanted.size(); }
  const std::string& text() const { return typed; }

 private:
  char folded(char c) const;

  std::string typed;
  std::string wanted;  // as compared: folded to lower case when case is ignored
  bool ignore_case;
  std::vector<std::size_t> fallback;  // by prefix length
};

// A text typed at the pause is found in either case unless it holds a
// capital letter.
bool ignores_case(std::string_view text);

// Marks around each place a text is found in a row: reverse video, or on a
// dumb terminal, which gets no escape sequence, brackets.
struct TextMarks {
  const TextFinder* finder = nullptr;
  bool dumb = false;

  // Writes the text shown safely, marked where it is found.
  void write(ConsoleWriter& screen, std::string_view text) const;
};

// The lines a row of `own`, network `text` and `own_end` takes on the screen
// with `marks` (or none): a dumb terminal's brackets take columns, reverse
// video none, so only they make a copy of the text to measure.
std::size_t marked_lines(const ConsoleWriter& screen, const TextMarks* marks, std::string_view own,
                         std::string_view text, std::string_view own_end);

// A row of `own`, network `text` and `own_end`, as the writer makes room for
// it: the text marked where `marks` finds it, or as it is without marks.
Room show_marked_row(ConsoleWriter& screen, const TextMarks* marks, std::string_view own,
                     std::string_view text, std::string_view own_end);
