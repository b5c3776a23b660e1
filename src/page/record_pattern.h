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

// The record in the line that `text` starts with, which ends at the first
// line feed or with the text: what match_record finds in that line, with the
// record number it carries and where the line ends.
struct LineRecord {
  RecordMatch record;
  std::optional<std::int32_t> number;
  std::size_t line_end;
};

LineRecord match_first_line(std::string_view text);
