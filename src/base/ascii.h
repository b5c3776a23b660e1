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

// A C0 control byte or DEL: never shown or kept as it is.
constexpr bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

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

// Whether an address starts with http:// or with https://, as a person types
// the scheme: all in lower case or all in capitals.
constexpr bool has_http_scheme(std::string_view address) {
  return address.starts_with("http://") || address.starts_with("HTTP://");
}
constexpr bool has_https_scheme(std::string_view address) {
  return address.starts_with("https://") || address.starts_with("HTTPS://");
}

// The scheme that an address written in full starts with, "http" of
// http://h/p: a letter, then letters, digits, + - or ., then "://". Empty
// for a name that starts otherwise, such as a path.
constexpr std::string_view scheme_written(std::string_view name) {
  const std::size_t colon = name.find("://");
  if (colon == std::string_view::npos) return {};  // "://h" fails below: no letter first
  const auto is_letter = [](char c) { return ascii_lower(c) >= 'a' && ascii_lower(c) <= 'z'; };
  if (!is_letter(name[0])) return {};
  for (const char c : name.substr(0, colon))
    if (!is_letter(c) && !is_digit(c) && c != '+' && c != '-' && c != '.') return {};
  return name.substr(0, colon);
}
