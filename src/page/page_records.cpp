// Looking records up: by number in the ordered records, and the text a record
// points to in the body.
#include "page/page_records.h"

#include <algorithm>

const PageRecord* find_record(const PageRecords& records, std::int32_t number) {
  auto it = std::lower_bound(records.begin(), records.end(), number,
                             [](const PageRecord& r, std::int32_t n) { return r.number < n; });
  return it != records.end() && it->number == number ? &*it : nullptr;
}

std::string_view record_text(const PageModel& page, const PageRecord& record) {
  std::string_view rest = std::string_view(page.body).substr(record.at);
  return rest.substr(0, rest.find('|'));
}

std::string link_target(const PageModel& page, std::int32_t number) {
  auto link = find_record(page.line_links, number);
  return link ? std::string(record_text(page, *link)) : std::string();
}
