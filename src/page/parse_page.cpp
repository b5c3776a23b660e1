// Parsing a page's lines into numbered records: labels, link targets and the
// terminator record that sets the last row shown.
#include <algorithm>
#include <limits>
#include <new>
#include <tuple>

#include "page/page.h"
#include "page/read_lines.h"
#include "page/record_pattern.h"

namespace {

// Records being stored in page order. The records stay ordered by number as
// long as the page is; until then a number seen again replaces its record in
// place. After the first number out of order, records are appended (a repeat
// of the last one still replaces it) and settle() orders them at the end.
struct RecordStore {
  NumberedFields& records;
  bool ordered = true;

  void store(NumberedField record) {
    if (!records.empty() && record.number == records.back().number) {
      records.back() = record;
      return;
    }
    if (ordered && !records.empty() && record.number < records.back().number) {
      auto it = first_field_from(records, record.number);
      if (it->number == record.number) {
        *it = record;
        return;
      }
      ordered = false;
    }
    records.push_back(record);
  }

  // One record per number, the one that came last. Records of one number
  // stand in page order, so their offsets into the body rise with it: sorting
  // by number, then offset, puts the latest last without a stable sort's copy.
  void settle() {
    if (ordered) return;
    std::sort(records.begin(), records.end(), [](const NumberedField& a, const NumberedField& b) {
      return std::tie(a.number, a.at) < std::tie(b.number, b.at);
    });
    auto kept = records.begin();
    for (auto it = records.begin(); it != records.end(); ++it) {
      auto next = it + 1;
      if (next != records.end() && next->number == it->number) continue;
      *kept++ = *it;
    }
    records.erase(kept, records.end());
    ordered = true;
  }
};

std::uint32_t offset_in(const std::string& body, std::string_view field) {
  return static_cast<std::uint32_t>(field.data() - body.data());
}

}  // namespace

// A line without a record number stops the parse. So does running out of
// memory: the records read so far stay, like those before an undecodable line.
ParseEnd parse_page(PageModel& page) {
  RecordStore labels{page.line_labels};
  RecordStore links{page.line_links};
  std::size_t line_number = 0;
  std::string_view line;
  bool out_of_memory = false;
  // Offsets are 32 bits; retrieval caps a body far below that.
  bool decodable = page.body.size() <= std::numeric_limits<std::uint32_t>::max();
  try {
    for (std::string_view rest = page.page_lines; decodable && !rest.empty();) {
      line = take_line(rest);
      ++line_number;
      const auto [record, number] = match_line(line);
      if (!number) {
        decodable = false;
        break;
      }
      labels.store({*number, offset_in(page.body, record.label)});
      if (!record.target.empty()) links.store({*number, offset_in(page.body, record.target)});
      if (record.flag == "\\") {
        page.last_line = *number;
        page.terminated = true;
      }
    }
  } catch (const std::bad_alloc&) {
    decodable = false;
    out_of_memory = true;
  }
  labels.settle();
  links.settle();
  if (decodable) return {};
  return {std::max<std::size_t>(line_number, 1), line, out_of_memory};
}
