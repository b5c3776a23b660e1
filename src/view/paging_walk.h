// Inside the view: the one paging walk that the page's rows, the rows a
// search finds, the list of links and text of our own all take, forward and
// back, and the jumps the reader asks for at the pause.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>

#include "console/console.h"
#include "view/text_marks.h"

// The row that the screenful before the one starting at `start` begins with:
// as many rows before it as fill a screen, the first of them however long.
template <typename Rows>
typename Rows::Position screenful_before(const ConsoleWriter& screen, Rows& rows,
                                         typename Rows::Position start) {
  std::size_t room = screen.screenful();
  auto begins = start;
  while (begins != rows.first()) {
    const auto before = rows.previous(begins);
    const std::size_t lines = rows.lines(before);
    if (lines > room && begins != start) break;
    room -= std::min(lines, room);
    begins = before;
  }
  return begins;
}

// The row a screenful starts with that shows `row` a little below its top,
// so that a line or two of what comes before it stays in sight.
template <typename Rows>
typename Rows::Position a_little_above(const ConsoleWriter& screen, Rows& rows,
                                       typename Rows::Position row) {
  std::size_t room = std::min<std::size_t>(2, screen.screenful() / 4);
  auto begins = row;
  while (begins != rows.first()) {
    const auto before = rows.previous(begins);
    const std::size_t lines = rows.lines(before);
    if (lines > room) break;
    room -= lines;
    begins = before;
  }
  return begins;
}

// The first row from `from` on, or the last before `before`, that `holds`,
// for walks whose every position is a row worth looking at.
template <typename Rows, typename Holds>
std::optional<typename Rows::Position> first_holding(Rows& rows, typename Rows::Position from,
                                                     Holds holds) {
  for (auto at = from; !rows.done(at); at = rows.next(at))
    if (holds(at)) return at;
  return std::nullopt;
}
template <typename Rows, typename Holds>
std::optional<typename Rows::Position> last_holding_before(Rows& rows,
                                                           typename Rows::Position before,
                                                           Holds holds) {
  for (auto at = before; at != rows.first();) {
    at = rows.previous(at);
    if (holds(at)) return at;
  }
  return std::nullopt;
}

// What the reader looks for at the pause: the text, the row it was last
// found in, and where the walk goes on after a jump. Once a text is found,
// the walk marks it in every row it shows. `Rows` also gives, for a
// position: end (past the last row), find_from and find_before (the first
// row from it on, or the last before it, that holds a text), and a pointer
// `marks` (null while nothing is marked).
template <typename Rows>
struct PagerFinding {
  using Position = typename Rows::Position;

  ConsoleWriter& screen;
  Rows& rows;
  std::optional<TextFinder> finder{};
  TextMarks marks{};
  std::optional<Position> last_found{};
  Position target{};  // where the walk goes on after a jump

  // `after_screen` is the row after the screenful, `screen_start` its first.
  bool jump(PagerJump jump, Position after_screen, Position screen_start) {
    if (jump == PagerJump::last_screen) {
      target = screenful_before(screen, rows, rows.end());
      return true;
    }
    look_for(screen.pager_search());
    std::optional<Position> found;
    if (jump == PagerJump::previous_match)
      found = rows.find_before(last_found.value_or(screen_start), *finder);
    else if (jump == PagerJump::next_match && last_found)
      found = rows.find_from(rows.next(*last_found), *finder);
    else
      found = rows.find_from(after_screen, *finder);
    if (!found) return false;
    last_found = found;
    rows.marks = &marks;  // before measuring: a dumb terminal's marks take columns
    target = a_little_above(screen, rows, *found);
    return true;
  }

  void look_for(const std::string& text) {
    if (finder && finder->text() == text) return;
    finder.emplace(text, ignores_case(text));
    marks = {&*finder, screen.dumb()};
    last_found.reset();
  }
};

// Shows `rows` one after another, as the writer makes room for each: at a
// terminal a screenful at a time; when the reader asks for the screenful
// before, from the row it begins with, and after a jump from where it goes.
// `Rows` gives a Position for each row and, for a position: done (past the
// last row), next, previous (never of the first), lines (on the screen),
// show (as the writer makes room) and restart (the walk goes on from there,
// after going back), and what PagerFinding asks.
template <typename Rows>
void page_through(ConsoleWriter& screen, Rows& rows) {
  auto at = rows.first();
  auto screen_start = at;
  PagerFinding<Rows> finding{screen, rows};
  screen.jump_to = [&](PagerJump jump) { return finding.jump(jump, at, screen_start); };
  while (!rows.done(at) && !screen.stopped()) {
    const Room room = rows.show(at);
    if (room == Room::stopped) break;
    if (room == Room::back || room == Room::jump) {
      at = screen_start =
          room == Room::back ? screenful_before(screen, rows, screen_start) : finding.target;
      rows.restart(at);
      continue;
    }
    if (room == Room::new_screen) screen_start = at;
    at = rows.next(at);
  }
  screen.jump_to = nullptr;
}
