// The screen's sums: columns and lines that shown text takes, and the
// pager's count of lines between pauses.
#include "console/screen_sums.h"

#include <algorithm>
#include <cwchar>

#include "base/ascii.h"

void Span::place(std::size_t width) {
  if (column + width > columns) {
    ++lines;
    column = 0;
  }
  column += width;
}

void Span::place_ascii(std::string_view text) {
  for (char c : text) {
    if (c == '\t')
      column = std::min((column / 8 + 1) * 8, columns);
    else
      place(1);
  }
}

void Span::place_piece(std::string_view shown, bool passed) {
  if (!passed || static_cast<unsigned char>(shown.front()) < 0x80) {
    place_ascii(shown);
    return;
  }
  wchar_t character = 0;
  std::mbstate_t state{};
  const bool decoded = std::mbrtowc(&character, shown.data(), shown.size(), &state) == shown.size();
  const int width = decoded ? wcwidth(character) : 1;
  place(width < 0 ? 1 : static_cast<std::size_t>(width));
}

namespace {

// Places the shown form of text, up to its first bar when `field` is set,
// until it has taken more than `enough` lines.
void place_text(Span& span, std::string_view text, bool field, TextRule rule, std::size_t enough) {
  each_shown_piece(text, rule, field, [&span, enough](std::string_view shown, bool passed) {
    span.place_piece(shown, passed);
    return span.lines <= enough;
  });
}

}  // namespace

std::size_t row_lines(std::string_view own, std::string_view field, std::string_view own_end,
                      std::size_t columns, TextRule rule, std::size_t enough) {
  Span span{columns};
  span.place_ascii(own);
  place_text(span, field, true, rule, enough);
  span.place_ascii(own_end);
  return span.lines;
}

std::string fitted_line(std::string_view own, std::string_view text, std::size_t columns,
                        TextRule rule) {
  std::string line(own);
  Span whole{columns};
  whole.place_ascii(own);
  place_text(whole, text, false, rule, 1);
  if (whole.lines == 1) {
    append_visible(line, text, rule);
    return line;
  }
  Span kept{columns - 3};
  kept.place_ascii(own);
  each_shown_piece(text, rule, false, [&](std::string_view shown, bool passed) {
    for (std::string_view piece = shown; !piece.empty();) {
      // Plain text a byte at a time; other pieces whole.
      const std::size_t size =
          passed && static_cast<unsigned char>(piece.front()) < 0x80 ? 1 : piece.size();
      Span next = kept;
      next.place_piece(piece.substr(0, size), passed);
      if (next.lines > 1) return false;
      kept = next;
      line.append(piece.substr(0, size));
      piece.remove_prefix(size);
    }
    return true;
  });
  return line + "...";
}

std::string_view more_line(std::size_t columns) {
  constexpr std::string_view full =
      "-- MORE: SPACE NEXT SCREEN, ENTER NEXT ROW, B BACK, Q STOPS, H KEYS --";
  constexpr std::string_view shorter = "-- MORE: SPACE, ENTER, B BACK, Q, H --";
  constexpr std::string_view brief = "-- MORE --";
  if (full.size() < columns) return full;
  if (shorter.size() < columns) return shorter;
  return brief.substr(0, columns - 1);
}

More more_for(std::string_view key) {
  if (key == "n") return More::next_match;  // these two differ by case
  if (key == "N") return More::previous_match;
  if (key == "G") return More::last_screen;
  if (key == "/") return More::find;
  if (key.size() == 1) {
    const char c = ascii_lower(key.front());  // the letters in either case, as the line names them
    if (c == ' ' || c == 'f') return More::screen;
    if (c == '\r' || c == '\n' || c == 'j') return More::row;
    if (c == 'b' || c == 'k') return More::back;
    if (c == 'q' || c == 3) return More::stop;
    if (c >= '0' && c <= '9') return More::command;
    if (c == 'h') return More::keys;
    return More::nothing;
  }
  if (key == "\033[6~") return More::screen;                   // PageDown
  if (key == "\033[B" || key == "\033OB") return More::row;    // Down
  if (key == "\033[5~" || key == "\033[A" || key == "\033OA")  // PageUp, Up
    return More::back;
  return More::nothing;
}

void PageCount::new_screen(std::size_t rows) {
  lines_shown = 0;
  lines_allowed = rows - 1;
}

bool PageCount::must_pause(std::size_t lines) const {
  return lines_shown > 0 && lines_shown + lines > lines_allowed;
}

void PageCount::allow_one_more(std::size_t lines) { lines_allowed = lines_shown + lines; }

void PageCount::count(std::size_t lines) { lines_shown += lines; }
