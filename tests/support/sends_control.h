// Whether text would reach a terminal with a control character in it: C0
// other than tab and line feed, DEL, or C1 as a lone byte or in UTF-8.
// Decoded by the C library, apart from the code under test.
#pragma once

#include <locale.h>

#include <clocale>
#include <cwchar>
#include <string_view>

inline bool sends_control(std::string_view text) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  const locale_t before = uselocale(utf8);
  bool control = false;
  for (std::size_t i = 0; i < text.size() && !control;) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      control = (c < 0x20 && c != '\t' && c != '\n') || c == 0x7f;
      ++i;
      continue;
    }
    wchar_t decoded = 0;
    std::mbstate_t state{};
    const std::size_t length = std::mbrtowc(&decoded, text.data() + i, text.size() - i, &state);
    if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2)) {
      control = c <= 0x9f;
      ++i;
    } else {
      control = decoded >= 0x80 && decoded <= 0x9f;
      i += length;
    }
  }
  uselocale(before);
  return control;
}
