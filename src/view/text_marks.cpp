// Finding a text in rows, ignoring case or not, and marking each place it is
// found as the terminal can show it.
#include "view/text_marks.h"

#include <algorithm>

#include "base/ascii.h"

TextFinder::TextFinder(std::string_view text, bool ignore_case)
    : typed(text), wanted(text), ignore_case(ignore_case), fallback(text.size() + 1, 0) {
  std::transform(wanted.begin(), wanted.end(), wanted.begin(),
                 [this](char c) { return folded(c); });
  for (std::size_t i = 1, k = 0; i < wanted.size(); ++i) {
    while (k > 0 && wanted[i] != wanted[k]) k = fallback[k];
    if (wanted[i] == wanted[k]) ++k;
    fallback[i + 1] = k;
  }
}

char TextFinder::folded(char c) const { return ignore_case ? ascii_lower(c) : c; }

std::size_t TextFinder::find_in(std::string_view row, std::size_t from) const {
  if (wanted.empty()) return from <= row.size() ? from : std::string_view::npos;
  std::size_t matched = 0;
  for (std::size_t at = from; at < row.size(); ++at) {
    const char c = folded(row[at]);
    while (matched > 0 && c != wanted[matched]) matched = fallback[matched];
    if (c == wanted[matched] && ++matched == wanted.size()) return at + 1 - wanted.size();
  }
  return std::string_view::npos;
}

bool ignores_case(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

namespace {

// Walks the text piece by piece: where it is found, and what lies between.
template <typename Visit>
void each_piece(const TextFinder& finder, std::string_view text, Visit visit) {
  std::size_t from = 0;
  if (finder.match_size() > 0) {
    for (std::size_t at = finder.find_in(text, 0); at != std::string_view::npos;
         at = finder.find_in(text, from)) {
      visit(text.substr(from, at - from), false);
      visit(text.substr(at, finder.match_size()), true);
      from = at + finder.match_size();
    }
  }
  visit(text.substr(from), false);
}

// The text with a dumb terminal's marks, for measuring.
std::string bracketed(const TextFinder& finder, std::string_view text) {
  std::string marked;
  each_piece(finder, text, [&marked](std::string_view piece, bool found) {
    if (found) marked += '[';
    marked += piece;
    if (found) marked += ']';
  });
  return marked;
}

}  // namespace

void TextMarks::write(ConsoleWriter& screen, std::string_view text) const {
  each_piece(*finder, text, [this, &screen](std::string_view piece, bool found) {
    if (found) screen.write(dumb ? "[" : "\x1b[7m");
    screen.write_visible(piece);
    if (found) screen.write(dumb ? "]" : "\x1b[27m");
  });
}

std::size_t marked_lines(const ConsoleWriter& screen, const TextMarks* marks, std::string_view own,
                         std::string_view text, std::string_view own_end) {
  if (marks && marks->dumb) return screen.lines_for(own, bracketed(*marks->finder, text), own_end);
  return screen.lines_for(own, text, own_end);
}

Room show_marked_row(ConsoleWriter& screen, const TextMarks* marks, std::string_view own,
                     std::string_view text, std::string_view own_end) {
  const Room room = marks && marks->dumb
                        ? screen.make_room(own, bracketed(*marks->finder, text), own_end)
                        : screen.make_room(own, text, own_end);
  if (!row_written(room)) return room;
  screen.write(own);
  if (marks)
    marks->write(screen, text);
  else
    screen.write_visible(text);
  screen.write(own_end);
  screen.write("\n");
  return room;
}
