// The page model: a retrieved body split into lines, parsed into numbered
// records, and shown on the console as a title and numbered rows.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// One numbered piece of page text, a label or a link target: the field that
// starts `at` bytes into the page's body and ends at the next bar, which the
// record format puts after every field. Eight bytes, since a big page has
// millions of them.
struct PageRecord {
  std::int32_t number;
  std::uint32_t at;
};

// Records by number, one per number. A deque grows without copying itself, so
// a big page never holds its records twice.
using PageRecords = std::deque<PageRecord>;

// The one page of the run. Lines and records point into its body, so it is
// never copied.
struct PageModel {
  PageModel() = default;
  PageModel(const PageModel&) = delete;
  PageModel& operator=(const PageModel&) = delete;

  std::string body;  // every byte the lines and records point into
  // The lines, read in place: each ends at a line feed, which is not part of
  // it, or at the end.
  std::string_view page_lines;
  PageRecords line_labels;
  PageRecords line_links;  // non-empty targets only
  // Set only by a terminator record; survives page loads on purpose.
  std::int32_t last_line = 0;
  bool terminated = false;  // the records hold a terminator record
};

void split_lines(PageModel& page, std::string body);
// Returns the line where reading stopped, 0 when every line was read.
std::size_t parse_page(PageModel& page, std::ostream& out);
// Shows the title and rows 1 to last_line. At a terminal a page shows its own
// rows instead: up to its terminator's number, or without one up to its
// highest record number; a page without records says so.
void display_page(const PageModel& page, std::ostream& out);
// The rows display_page shows whose label holds `text`, ignoring ASCII case,
// shown as it shows them; NO ROW MATCHES when there is none.
void display_matching_rows(const PageModel& page, std::string_view text, std::ostream& out);
// Every record with a link, record 0 and those above the last row too, as
// "<row>: <label> -> <address>", where `append_address` appends the address
// that following the link loads; NO LINKS when there is none.
void display_links(const PageModel& page, void (*append_address)(std::string&, std::string_view),
                   std::ostream& out);
std::string link_target(const PageModel& page, std::int32_t number);
void clear_records(PageModel& page);
void clear_lines(PageModel& page);

// Whether a body holds any record: parsing stops at the first line that
// does not, so the first line tells.
bool holds_record(std::string_view body);

// Drops the end of a body that a stopped transfer cut within its last line.
void drop_cut_line(std::string& body);

// The record number that text starts with: its leading decimal digits. None
// when there are no digits or they exceed the 32-bit range, since no record
// can carry such a number.
std::optional<std::int32_t> record_number(std::string_view text);

// A problem of a page, for its author: an error where readers lose
// something, a warning where the page works but likely not as meant.
struct PageProblem {
  std::size_t line;  // 0 for one of the whole page
  bool error;
  std::string message;
};

// A link target as written, and the line of its record.
struct PageLink {
  std::size_t line;
  std::string_view target;
};

struct PageCheck {
  std::vector<PageProblem> problems;  // by line, those of the whole page first
  std::vector<PageLink> links;        // every target that can be retrieved as written
};

// Reads a body as the browser reads it and says what is wrong with it.
PageCheck check_page(std::string_view body);
