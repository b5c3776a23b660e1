// Inside the view: the one paging walk that the page's rows, the rows a
// search finds and the list of links all take, forward and back.
#pragma once

#include <algorithm>
#include <cstddef>

#include "console/console.h"

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

// Shows `rows` one after another, as the writer makes room for each: at a
// terminal a screenful at a time, and when the reader asks for the screenful
// before, from the row it begins with. `Rows` gives a Position for each row
// and, for a position: done (past the last row), next, previous (never of
// the first), lines (on the screen), show (as the writer makes room) and
// restart (the walk goes on from there, after going back).
template <typename Rows>
void page_through(ConsoleWriter& screen, Rows& rows) {
  auto at = rows.first();
  auto screen_start = at;
  while (!rows.done(at) && !screen.stopped()) {
    const Room room = rows.show(at);
    if (room == Room::stopped) break;
    if (room == Room::back) {
      at = screen_start = screenful_before(screen, rows, screen_start);
      rows.restart(at);
      continue;
    }
    if (room == Room::new_screen) screen_start = at;
    at = rows.next(at);
  }
}
