// ASCII by hand: digits, spaces and case, for the bytes of pages and typed
// words, which are never converted to another character set.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A space as the C locale's isspace has it: blank, tab, line feed, vertical
// tab, form feed and carriage return.
constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A byte in lower case when it is an ASCII capital, as itself otherwise.
constexpr char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

constexpr char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

inline std::string upper_case(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), ascii_upper);
  return upper;
}

inline std::string lower_case(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), ascii_lower);
  return lower;
}

// Whether `text` is `lower`, which is written in lower case, in any case.
constexpr bool equals_ignoring_case(std::string_view text, std::string_view lower) {
  return std::equal(text.begin(), text.end(), lower.begin(), lower.end(),
                    [](char a, char b) { return ascii_lower(a) == b; });
}

constexpr bool starts_ignoring_case(std::string_view text, std::string_view lower) {
  return text.size() >= lower.size() && equals_ignoring_case(text.substr(0, lower.size()), lower);
}

constexpr bool ends_ignoring_case(std::string_view text, std::string_view lower) {
  return text.size() >= lower.size() &&
         equals_ignoring_case(text.substr(text.size() - lower.size()), lower);
}
