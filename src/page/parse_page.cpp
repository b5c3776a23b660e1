// Parsing a page's lines into numbered records: labels, link targets and the
// terminator record that sets the last row shown.
#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <tuple>

#include "console/console.h"
#include "page/page.h"
#include "page/page_records.h"
#include "page/record_pattern.h"

namespace {

// Records being stored in page order. The records stay ordered by number as
// long as the page is; until then a number seen again replaces its record in
// place. After the first number out of order, records are appended (a repeat
// of the last one still replaces it) and settle() orders them at the end.
struct RecordStore {
  PageRecords& records;
  bool ordered = true;

  void store(PageRecord record) {
    if (!records.empty() && record.number == records.back().number) {
      records.back() = record;
      return;
    }
    if (ordered && !records.empty() && record.number < records.back().number) {
      auto it = lower_bound(record.number);
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
    std::sort(records.begin(), records.end(), [](const PageRecord& a, const PageRecord& b) {
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

 private:
  PageRecords::iterator lower_bound(std::int32_t number) {
    return std::lower_bound(records.begin(), records.end(), number,
                            [](const PageRecord& r, std::int32_t n) { return r.number < n; });
  }
};

std::uint32_t offset_in(const std::string& body, std::string_view field) {
  return static_cast<std::uint32_t>(field.data() - body.data());
}

// At a terminal, the line after ERROR DECODING PAGE: where the page broke.
void say_where(std::size_t line_number, std::string_view line, bool out_of_memory,
               std::ostream& out) {
  if (!at_terminal() || line_number == 0) return;
  try {
    const std::string at = "AT LINE " + std::to_string(line_number) + ": ";
    if (out_of_memory)
      out << at << "(OUT OF MEMORY)\n";
    else if (line.empty())
      out << at << "(EMPTY LINE)\n";
    else
      out << screen_line(at, line) << '\n';
    out.flush();
  } catch (const std::bad_alloc&) {
    // Not even room to say where: ERROR DECODING PAGE has to do.
  }
}

}  // namespace

// A line without a record number stops the parse. So does running out of
// memory: the records read so far stay, like those before an undecodable line.
std::size_t parse_page(PageModel& page, std::ostream& out) {
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
  if (!decodable) {
    out << "ERROR DECODING PAGE\n" << std::flush;
    say_where(line_number, line, out_of_memory, out);
  }
  labels.settle();
  links.settle();
  return decodable ? 0 : std::max<std::size_t>(line_number, 1);
}
