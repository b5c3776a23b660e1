// Showing network text, never obeying it: which bytes pass as they came and
// which are written in the notation of cat -v is decided here, and only here.
#include "base/shown_text.h"

namespace {

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
  if (rule == TextRule::raw) return passed(1);
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

void append_visible(std::string& out, std::string_view text, TextRule rule) {
  each_shown_piece(text, rule, false, [&out](std::string_view shown, bool /*passed*/) {
    out.append(shown);
    return true;
  });
}

std::string visible(std::string_view text, TextRule rule) {
  std::string shown;
  append_visible(shown, text, rule);
  return shown;
}
