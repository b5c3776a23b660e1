// Inside the console: the pause between screenfuls and the lines that are
// shown only for a while (the pause, a status line, a search being typed).
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "console/screen_sums.h"

struct Console;

// Takes a line that was shown only for a while off the screen; a dumb
// terminal cannot erase it, so the next line starts under it. A line of
// `width` columns that a window made narrower now wraps is erased from where
// it starts.
void end_passing_line(Console& console, std::ostream& out, std::size_t width = 0);

// The pause's line, and the key read for it. Keys typed before the first
// pause are kept for the next prompts; from then on every key is the
// pause's, escape sequences whole and keys that came together one by one,
// but a digit, which starts the command line.
More ask_for_more(Console& console, std::size_t columns, bool first);

// What was typed after / at the pause, up to Enter.
struct SearchLine {
  enum Kind { typed, cancelled, stopped };  // stopped: Ctrl-C or the end of input
  Kind kind = typed;
  std::string text{};
};
// Reads the text to find, shown after a / on the pause's line as it is typed:
// Backspace takes back a character, Escape (or Backspace on nothing) goes
// back to the pause.
SearchLine read_search_line(Console& console, std::size_t columns);

// A line of `own` and the shown form of `text` cut to the screen, which
// stays on it, while the pause waits.
void say_at_pause(Console& console, std::size_t columns, std::string_view own,
                  std::string_view text = {});

// The keys the pause takes, a line each.
void show_pause_keys(Console& console, std::size_t columns);
