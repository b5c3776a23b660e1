// Writing network text so that it is shown, never obeyed: control characters,
// C0 and C1, in the notation of cat -v; everything else as it came.
#include <ostream>

#include "console/console.h"

namespace {

bool is_plain(unsigned char c) { return (c >= 0x20 && c < 0x7f) || c == '\t'; }

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

// One byte as cat -v writes it: ESC as ^[, DEL as ^?, 0x9b as M-^[.
void append_as_cat_v(std::string& out, unsigned char c) {
  if (c >= 0x80) {
    out += "M-";
    c -= 0x80;
  }
  if (c < 0x20) {
    out += '^';
    out += static_cast<char>(c + 0x40);
  } else if (c == 0x7f) {
    out += "^?";
  } else {
    out += static_cast<char>(c);
  }
}

// How many bytes at the start of text to show next, appending them to out.
std::size_t append_next(std::string& out, std::string_view text) {
  const unsigned char c = byte_at(text, 0);
  if (c < 0x80) {
    append_as_cat_v(out, c);
    return 1;
  }
  const std::size_t length = utf8_length(text);
  if (length == 0) {
    // Outside UTF-8, 0x80 to 0x9f are C1 controls; 0xa0 up is Latin-1 text.
    if (c <= 0x9f)
      append_as_cat_v(out, c);
    else
      out += static_cast<char>(c);
    return 1;
  }
  if (c == 0xc2 && byte_at(text, 1) <= 0x9f) {  // U+0080 to U+009F
    append_as_cat_v(out, c);
    append_as_cat_v(out, byte_at(text, 1));
  } else {
    out.append(text.substr(0, length));
  }
  return length;
}

// Where to cut text near `at` without splitting a UTF-8 sequence: before the
// first byte from `at` on that cannot continue one. Three continuation bytes
// in a row end any sequence that began before them.
std::size_t safe_cut(std::string_view text, std::size_t at) {
  for (std::size_t cut = at; cut < at + 3; ++cut)
    if (!is_continuation(byte_at(text, cut))) return cut;
  return at + 3;
}

}  // namespace

void append_visible(std::string& out, std::string_view text) {
  while (!text.empty()) {
    std::size_t plain = 0;
    while (plain < text.size() && is_plain(byte_at(text, plain))) ++plain;
    out.append(text.substr(0, plain));
    text.remove_prefix(plain);
    if (!text.empty()) text.remove_prefix(append_next(out, text));
  }
}

void append_visible(std::string& buffer, std::string_view text, std::ostream& out,
                    std::size_t flush_at) {
  while (text.size() > flush_at + 3) {
    const std::size_t cut = safe_cut(text, flush_at);
    append_visible(buffer, text.substr(0, cut));
    text.remove_prefix(cut);
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
  }
  append_visible(buffer, text);
}
