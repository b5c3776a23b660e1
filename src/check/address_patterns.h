// Inside the check: the addresses a site's check leaves out (--exclude).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace re2 {
class RE2;
}

// Patterns of addresses to leave out (--exclude), in POSIX extended syntax
// matched in time linear in the address, so that no pattern can hold a check
// for ever: back-references, which need more, are refused.
class AddressPatterns {
 public:
  AddressPatterns();
  ~AddressPatterns();
  AddressPatterns(const AddressPatterns&) = delete;
  AddressPatterns& operator=(const AddressPatterns&) = delete;

  // Adds a pattern; why it is wrong, when it is.
  std::optional<std::string> add(const std::string& pattern);
  bool match(const std::string& address) const;

 private:
  std::vector<std::unique_ptr<re2::RE2>> compiled;
};
