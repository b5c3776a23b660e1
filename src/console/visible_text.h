// Inside the console: the rule that decides how each byte of network text is
// shown, for the kind of output the run has.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "console/console.h"

// The rule for this run's output, which start_console chooses.
TextRule text_rule();

// How the start of a text is shown: its first `consumed` bytes either pass as
// they are, or are written as `notation`.
struct ShownPiece {
  std::size_t consumed;
  bool passed;
  std::array<char, 8> notation;
  std::size_t notation_size;
};

// The piece that text starts with, which must not be empty.
ShownPiece next_piece(std::string_view text, TextRule rule);

// How many bytes at the start of text are printable ASCII or tabs, which
// every rule lets pass.
std::size_t plain_prefix(std::string_view text);

void append_visible(std::string& out, std::string_view text, TextRule rule);

// Sets a new writer paging, at a terminal, by the terminal's present size.
void start_paging(ConsoleWriter& writer);

// Visits the visible form of text piece by piece, as append_visible writes
// it: `visit(shown, passed)` gets the bytes shown, which are the text's own
// when `passed`, and returns false to stop. With `field` set the text ends at
// its first bar.
template <typename Visit>
void each_shown_piece(std::string_view text, TextRule rule, bool field, Visit visit) {
  constexpr std::size_t most_at_once = 4096;  // so that a visit can stop early in a long text
  while (!text.empty()) {
    std::size_t plain = plain_prefix(text.substr(0, most_at_once));
    if (field) plain = std::min(plain, text.substr(0, plain).find('|'));
    if (plain > 0) {
      if (!visit(text.substr(0, plain), true)) return;
      text.remove_prefix(plain);
      continue;
    }
    if (field && text.front() == '|') return;
    const ShownPiece piece = next_piece(text, rule);
    const bool more =
        piece.passed ? visit(text.substr(0, piece.consumed), true)
                     : visit(std::string_view(piece.notation.data(), piece.notation_size), false);
    if (!more) return;
    text.remove_prefix(piece.consumed);
  }
}
