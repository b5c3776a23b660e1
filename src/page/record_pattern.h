// Finds the record in one page line: the leftmost match of the record pattern,
// found in linear time and without recursion.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The pattern, as an ECMAScript regular expression. match_record yields
// exactly the groups of the leftmost std::regex_search with it.
inline constexpr std::string_view record_pattern = R"(([0-9]*):([^|]*)\|([^|]*)\|(.))";

struct RecordMatch {
  bool found = false;
  std::string_view number;
  std::string_view label;
  std::string_view target;
  std::string_view flag;
};

RecordMatch match_record(std::string_view line);

// The record in one page line, found as match_record finds it, and the
// record number it carries: none when the record has no digits or they
// exceed the 32-bit range.
struct LineRecord {
  RecordMatch record;
  std::optional<std::int32_t> number;
};

LineRecord match_line(std::string_view line);
