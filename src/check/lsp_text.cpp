// Documents as an editor holds them: positions counted in UTF-8 bytes or
// UTF-16 units, as agreed, and changes applied where the editor made them.
#include "check/language_server.h"

namespace {

// The UTF-16 units of a character that starts with `lead`: two for one past
// U+FFFF (a four-byte sequence), else one; a stray byte counts as one.
std::size_t utf16_units(unsigned char lead) { return lead >= 0xf0 ? 2 : 1; }

bool continues(unsigned char byte) { return (byte & 0xc0) == 0x80; }

// The bytes of `line` that `character` units take, at most the whole line.
std::size_t bytes_for(std::string_view line, std::size_t character, PositionEncoding encoding) {
  if (encoding == PositionEncoding::utf8) return std::min(character, line.size());
  std::size_t at = 0;
  for (std::size_t units = 0; at < line.size() && units < character;) {
    units += utf16_units(static_cast<unsigned char>(line[at]));
    ++at;
    while (at < line.size() && continues(static_cast<unsigned char>(line[at]))) ++at;
  }
  return at;
}

}  // namespace

std::optional<std::size_t> offset_of(std::string_view text, Position position,
                                     PositionEncoding encoding) {
  std::size_t start = 0;
  for (std::size_t line = 0; line < position.line; ++line) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return std::nullopt;
    start = end + 1;
  }
  const std::size_t end = std::min(text.find('\n', start), text.size());
  return start + bytes_for(text.substr(start, end - start), position.character, encoding);
}

Position position_in_line(std::size_t line, std::string_view line_text, std::size_t column,
                          PositionEncoding encoding) {
  column = std::min(column, line_text.size());
  if (encoding == PositionEncoding::utf8) return {line, column};
  std::size_t units = 0;
  for (std::size_t at = 0; at < column; ++at) {
    const auto byte = static_cast<unsigned char>(line_text[at]);
    if (!continues(byte)) units += utf16_units(byte);
  }
  return {line, units};
}

bool apply_change(std::string& text, const Json& change, PositionEncoding encoding) {
  const auto new_text = change.find("text");
  if (new_text == change.end() || !new_text->is_string()) return false;
  const auto range = change.find("range");
  if (range == change.end() || range->is_null()) {
    text = new_text->get<std::string>();
    return true;
  }
  const auto position = [](const Json& at) -> std::optional<Position> {
    if (!at.is_object() || !at.value("line", Json()).is_number_unsigned() ||
        !at.value("character", Json()).is_number_unsigned())
      return std::nullopt;
    return Position{at["line"].get<std::size_t>(), at["character"].get<std::size_t>()};
  };
  const std::optional<Position> from = position(range->value("start", Json()));
  const std::optional<Position> to = position(range->value("end", Json()));
  if (!from || !to) return false;
  const std::optional<std::size_t> start = offset_of(text, *from, encoding);
  const std::optional<std::size_t> end = offset_of(text, *to, encoding);
  if (!start || !end || *end < *start) return false;
  text.replace(*start, *end - *start, new_text->get<std::string>());
  return true;
}
