// Parsing a page's lines into numbered records: labels, link targets and the
// terminator record that sets the last row shown.
#include <algorithm>
#include <limits>
#include <optional>

#include "page/page.h"
#include "page/record_pattern.h"

namespace {

// Base-10 digits to a record number. No digits, or a number beyond the 32-bit
// range, is not a record number.
std::optional<std::int32_t> record_number(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

bool by_number(const PageRecord& a, const PageRecord& b) { return a.number < b.number; }

// Records arrive in page order; the map keeps one entry per number, the one
// that came last. Pages are nearly always in order, so sorting is rare.
void settle_records(std::vector<PageRecord>& records) {
  auto strictly_ordered = [](const PageRecord& a, const PageRecord& b) {
    return a.number >= b.number;
  };
  if (std::adjacent_find(records.begin(), records.end(), strictly_ordered) == records.end()) return;
  std::stable_sort(records.begin(), records.end(), by_number);
  auto kept = records.begin();
  for (auto it = records.begin(); it != records.end(); ++it) {
    auto next = it + 1;
    if (next != records.end() && next->number == it->number) continue;
    *kept++ = *it;
  }
  records.erase(kept, records.end());
}

}  // namespace

void parse_page(PageModel& page, std::ostream& out) {
  page.line_labels.reserve(page.line_labels.size() + page.page_lines.size());
  for (std::string_view line : page.page_lines) {
    RecordMatch record = match_record(line);
    auto number = record_number(record.number);
    if (!number) {
      out << "ERROR DECODING PAGE\n" << std::flush;
      break;
    }
    page.line_labels.emplace_back(*number, record.label);
    if (!record.target.empty()) page.line_links.emplace_back(*number, record.target);
    if (record.flag == "\\") page.last_line = *number;
  }
  settle_records(page.line_labels);
  settle_records(page.line_links);
}
