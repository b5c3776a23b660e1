// The page model: a retrieved body split into lines, parsed into numbered
// records, and shown on the console as a title and numbered rows.
#pragma once

#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// One numbered piece of page text (a label or a link target). The text points
// into the body held by the PageModel that owns the record; it is stored in
// pieces to keep a record at 16 bytes, since a big page has a million of them.
struct PageRecord {
  PageRecord(std::int32_t number, std::string_view text)
      : data(text.data()), number(number), size(static_cast<std::uint32_t>(text.size())) {}
  std::string_view text() const { return {data, size}; }

  const char* data;
  std::int32_t number;
  std::uint32_t size;  // a body never reaches 4 GiB: retrieval caps it
};

struct PageModel {
  // The bodies the views below point into; a body is held once, here.
  std::deque<std::string> bodies;
  std::vector<std::string_view> page_lines;
  // Ordered by number, one entry per number: label and link maps.
  std::vector<PageRecord> line_labels;
  std::vector<PageRecord> line_links;  // non-empty targets only
  // Set only by a terminator record; survives page loads on purpose.
  std::int32_t last_line = 0;
};

void split_lines(PageModel& page, std::string body);
void parse_page(PageModel& page, std::ostream& out);
void display_page(const PageModel& page, std::ostream& out);
std::string link_target(const PageModel& page, std::int32_t number);
void clear_records(PageModel& page);
void clear_lines(PageModel& page);

// Appends text with control bytes in caret notation (ESC as ^[, DEL as ^?),
// so that text from the network cannot drive the terminal.
void append_visible(std::string& out, std::string_view text);
