// Looking records up: by number in the ordered fields, and the text a field
// points to in the body.
#include "page/page.h"

const NumberedField* find_field(const NumberedFields& fields, std::int32_t number) {
  auto it = first_field_from(fields, number);
  return it != fields.end() && it->number == number ? &*it : nullptr;
}

std::string_view field_text(const PageModel& page, const NumberedField& field) {
  const std::string_view rest = text_from(page, field);
  return rest.substr(0, rest.find('|'));
}

std::int32_t highest_record(const PageModel& page) {
  return page.line_labels.empty() ? 0 : page.line_labels.back().number;
}

std::string link_target(const PageModel& page, std::int32_t number) {
  const NumberedField* link = find_field(page.line_links, number);
  return link ? std::string(field_text(page, *link)) : std::string();
}
