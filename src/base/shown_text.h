// How network text is shown, never obeyed: next_piece alone decides what
// passes and what is written in notation. Measuring and appending text walk
// it with each_shown_piece; the console's writer copies plain runs itself and
// asks next_piece for every other piece.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// How network text is shown: which bytes pass as they came.
enum class TextRule {
  piped,      // well-formed UTF-8 and Latin-1 text pass, as either may be meant
  utf8,       // a UTF-8 terminal: only well-formed UTF-8 passes
  eight_bit,  // any other terminal: no byte from 0x80 to 0x9f passes
  raw,        // every byte passes: for output that escapes each byte itself (JSON)
};

// How the start of a text is shown: its first `consumed` bytes either pass as
// they are, or are written as `notation`.
struct ShownPiece {
  std::size_t consumed;
  bool passed;
  std::array<char, 8> notation;
  std::size_t notation_size;
};

// The piece that text starts with, which must not be empty: C0 controls in
// caret notation (ESC as ^[, DEL as ^?), C1 controls and the bytes the rule
// does not pass as cat -v writes them (0x9b as M-^[, its UTF-8 form as
// M-BM-^[, 0xe9 as M-i). Tabs and printable ASCII pass under every rule.
ShownPiece next_piece(std::string_view text, TextRule rule);

// Printable ASCII and tabs, which pass under every rule.
constexpr bool is_plain(unsigned char c) { return (c >= 0x20 && c < 0x7f) || c == '\t'; }

// Which bytes end a run of plain ones, and in a record's field also the bar
// that ends it. Looked up instead of tested twice: saves 8 ms of 35 in
// showing the million-record page.
using RunEnds = std::array<bool, 256>;

constexpr RunEnds run_ends(bool at_bar) {
  RunEnds ends{};
  for (int c = 0; c < 256; ++c)
    ends[c] = !is_plain(static_cast<unsigned char>(c)) || (at_bar && c == '|');
  return ends;
}

inline constexpr RunEnds text_run_ends = run_ends(false);
inline constexpr RunEnds field_run_ends = run_ends(true);

// Visits the shown form of text piece by piece: `visit(shown, passed)` gets
// the bytes shown, which are the text's own when `passed`, and returns false
// to stop. With `field` set the text ends at its first bar. Plain runs come
// at most a few KiB at a time, so that a visit can stop early in a long text.
template <typename Visit>
void each_shown_piece(std::string_view text, TextRule rule, bool field, Visit visit) {
  constexpr std::size_t most_at_once = 4096;
  const RunEnds& ends = field ? field_run_ends : text_run_ends;
  while (!text.empty()) {
    const std::size_t most = std::min(text.size(), most_at_once);
    std::size_t plain = 0;
    while (plain < most && !ends[static_cast<unsigned char>(text[plain])]) ++plain;
    if (plain > 0 && !visit(text.substr(0, plain), true)) return;
    text.remove_prefix(plain);
    if (plain == most) continue;  // the text ended, or a long run goes on
    if (field && text.front() == '|') return;
    const ShownPiece piece = next_piece(text, rule);
    const bool more =
        piece.passed ? visit(text.substr(0, piece.consumed), true)
                     : visit(std::string_view(piece.notation.data(), piece.notation_size), false);
    if (!more) return;
    text.remove_prefix(piece.consumed);
  }
}

// Appends the shown form of text under `rule`.
void append_visible(std::string& out, std::string_view text, TextRule rule);
std::string visible(std::string_view text, TextRule rule);  // the same, as a string of its own
