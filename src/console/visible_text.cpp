// Writing network text so that it is shown, never obeyed: which bytes pass as
// they came and which are written in the notation of cat -v is decided here,
// and only here.
#include "console/visible_text.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "console/console.h"

namespace {

constexpr bool is_plain(unsigned char c) { return (c >= 0x20 && c < 0x7f) || c == '\t'; }

// Which bytes end a run of plain ones, looked up instead of tested twice:
// saves 8 ms of 35 in showing the million-record page. The second table also
// ends a run at a bar, where the fields of a page record end.
using ByteTable = std::array<bool, 256>;

constexpr ByteTable run_ends(bool at_bar) {
  ByteTable ends{};
  for (int c = 0; c < 256; ++c)
    ends[c] = !is_plain(static_cast<unsigned char>(c)) || (at_bar && c == '|');
  return ends;
}

constexpr ByteTable plain_run_ends = run_ends(false);
constexpr ByteTable field_run_ends = run_ends(true);

bool is_continuation(unsigned char c) { return (c & 0xc0) == 0x80; }

unsigned char byte_at(std::string_view text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// The length of the well-formed UTF-8 sequence that text starts with, or 0.
// Overlong forms, surrogates and code points beyond U+10FFFF are not
// well-formed; their bytes count one by one.
std::size_t utf8_length(std::string_view text) {
  const unsigned char lead = byte_at(text, 0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (text.size() < length || byte_at(text, 1) < low || byte_at(text, 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!is_continuation(byte_at(text, i))) return 0;
  return length;
}

// One byte as cat -v writes it: ESC as ^[, DEL as ^?, 0x9b as M-^[, 0xe9 as M-i.
void add_cat_v(ShownPiece& piece, unsigned char c) {
  auto add = [&piece](char ch) { piece.notation[piece.notation_size++] = ch; };
  if (c >= 0x80) {
    add('M');
    add('-');
    c -= 0x80;
  }
  if (c < 0x20) {
    add('^');
    add(static_cast<char>(c + 0x40));
  } else if (c == 0x7f) {
    add('^');
    add('?');
  } else {
    add(static_cast<char>(c));
  }
}

ShownPiece passed(std::size_t bytes) { return {bytes, true, {}, 0}; }

ShownPiece in_cat_v(std::string_view bytes) {
  ShownPiece piece{bytes.size(), false, {}, 0};
  for (char c : bytes) add_cat_v(piece, static_cast<unsigned char>(c));
  return piece;
}

}  // namespace

ShownPiece next_piece(std::string_view text, TextRule rule) {
  const unsigned char c = byte_at(text, 0);
  if (c < 0x80) return is_plain(c) ? passed(1) : in_cat_v(text.substr(0, 1));
  if (rule == TextRule::eight_bit) {
    // To an 8-bit terminal every byte from 0x80 to 0x9f is a C1 control,
    // inside UTF-8 sequences too; from 0xa0 up it is a character.
    return c <= 0x9f ? in_cat_v(text.substr(0, 1)) : passed(1);
  }
  const std::size_t length = utf8_length(text);
  if (length == 0) {
    // Outside UTF-8, 0x80 to 0x9f are C1 controls. Through a pipe, 0xa0 up
    // passes as Latin-1 text; a UTF-8 terminal would drop it, so it is shown.
    return c <= 0x9f || rule == TextRule::utf8 ? in_cat_v(text.substr(0, 1)) : passed(1);
  }
  if (c == 0xc2 && byte_at(text, 1) <= 0x9f) return in_cat_v(text.substr(0, 2));  // U+0080-9F
  return passed(length);
}

std::size_t plain_prefix(std::string_view text) {
  std::size_t plain = 0;
  while (plain < text.size() && is_plain(byte_at(text, plain))) ++plain;
  return plain;
}

void append_visible(std::string& out, std::string_view text, TextRule rule) {
  each_shown_piece(text, rule, false, [&out](std::string_view shown, bool /*passed*/) {
    out.append(shown);
    return true;
  });
}

void append_visible(std::string& out, std::string_view text) {
  append_visible(out, text, text_rule());
}

ConsoleWriter::ConsoleWriter(std::ostream& out) : out(out), rule(text_rule()) {
  start_paging(*this);
}

ConsoleWriter::~ConsoleWriter() { flush(); }

void ConsoleWriter::write_across(std::string_view text) {
  while (!text.empty() && !stopped) {
    if (used == buffer.size()) {
      flush();
      continue;
    }
    const std::size_t piece = std::min(text.size(), buffer.size() - used);
    std::memcpy(buffer.data() + used, text.data(), piece);
    used += piece;
    text.remove_prefix(piece);
  }
}

void ConsoleWriter::write_visible(std::string_view text) { write_shown(text, plain_run_ends); }

void ConsoleWriter::write_visible_field(std::string_view text) {
  write_shown(text, field_run_ends);
}

void ConsoleWriter::write_shown(std::string_view text, const ByteTable& run_ends) {
  while (!text.empty() && !stopped) {
    if (used == buffer.size()) {
      flush();
      continue;
    }
    // Plain bytes are copied as they are checked, as far as there is room.
    const std::size_t most = std::min(text.size(), buffer.size() - used);
    std::size_t plain = 0;
    for (char* to = buffer.data() + used; plain < most && !run_ends[byte_at(text, plain)]; ++plain)
      to[plain] = text[plain];
    used += plain;
    text.remove_prefix(plain);
    if (text.empty() || plain == most) continue;
    if (text.front() == '|') return;  // only a field's run ends at a bar
    const ShownPiece piece = next_piece(text, rule);
    write(piece.passed ? text.substr(0, piece.consumed)
                       : std::string_view(piece.notation.data(), piece.notation_size));
    text.remove_prefix(piece.consumed);
  }
}

void ConsoleWriter::flush() {
  if (used > 0) line_open = buffer[used - 1] != '\n';
  out.write(buffer.data(), static_cast<std::streamsize>(used));
  used = 0;
  if (take_interrupt()) stopped = true;  // checked once a buffer, so within one long text too
}
