// The addresses --exclude leaves out: POSIX extended patterns matched by RE2,
// whose time grows with the address alone, whatever the pattern.
#include "check/address_patterns.h"

#include <re2/re2.h>

#include <algorithm>

#include "base/ascii.h"
#include "check/check.h"

AddressPatterns::AddressPatterns() = default;
AddressPatterns::~AddressPatterns() = default;

std::optional<std::string> AddressPatterns::add(const std::string& pattern) {
  RE2::Options options;
  options.set_posix_syntax(true);
  options.set_log_errors(false);
  auto made = std::make_unique<RE2>(pattern, options);
  if (!made->ok()) {
    const std::string& part = made->error_arg();
    if (made->error_code() == RE2::ErrorBadEscape && part.size() == 2 && is_digit(part[1]))
      return "a back-reference (" + part + ") is not matched here: it can take time without end";
    return made->error();
  }
  compiled.push_back(std::move(made));
  return std::nullopt;
}

bool AddressPatterns::match(const std::string& address) const {
  return std::any_of(compiled.begin(), compiled.end(), [&address](const auto& pattern) {
    return RE2::PartialMatch(address, *pattern);
  });
}

std::optional<std::string> why_exclude_fails(const std::string& pattern) {
  AddressPatterns patterns;
  return patterns.add(pattern);
}
