// The page model: a retrieved body split into lines and parsed into numbered
// records, and the check of a page for its author. Showing it is the view's.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/shown_text.h"

// One field of a numbered record, its label or its link target: the text
// that starts `at` bytes into the page's body and ends at the next bar, which
// the record format puts after every field. Eight bytes, since a big page
// has millions of them.
struct NumberedField {
  std::int32_t number;
  std::uint32_t at;
};

// Fields by record number, one per number. A deque grows without copying
// itself, so a big page never holds its records twice.
using NumberedFields = std::deque<NumberedField>;

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
  NumberedFields line_labels;
  NumberedFields line_links;  // non-empty targets only
  // The last row shown through pipes: set only by a terminator record, and
  // kept across page loads on purpose.
  std::int32_t last_line = 0;
  bool terminated = false;  // the records hold a terminator record
};

void split_lines(PageModel& page, std::string body);

// Where reading a page's lines stopped, and why: at a line without a record
// number, or where the memory ran out. Line 0 when every line was read.
struct ParseEnd {
  std::size_t line = 0;
  std::string_view text;  // the line that could not be read, in the page's body
  bool out_of_memory = false;
};
ParseEnd parse_page(PageModel& page);

// The first of `fields` numbered `number` or above.
template <typename Fields>
auto first_field_from(Fields& fields, std::int32_t number) {
  return std::lower_bound(fields.begin(), fields.end(), number,
                          [](const NumberedField& f, std::int32_t n) { return f.number < n; });
}

// The field of record `number`, or null.
const NumberedField* find_field(const NumberedFields& fields, std::int32_t number);

// The text of a field, up to the bar that ends it; and from its start to the
// end of the body, for a walk that stops at the bar itself.
std::string_view field_text(const PageModel& page, const NumberedField& field);
// Inline, as showing a page asks it of every row: saves 7 million of 724
// million instructions in showing the million-record page.
inline std::string_view text_from(const PageModel& page, const NumberedField& field) {
  return std::string_view(page.body).substr(field.at);
}

// The highest record number on the page; 0 without records.
std::int32_t highest_record(const PageModel& page);

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

// Each kind of problem a check reports. Its code is a stable name that
// reports carry and --ignore takes; errors first, then warnings.
enum class ProblemCode : std::uint8_t {
  no_record,
  empty_line,
  not_a_record,
  number_too_large,
  unsendable_target,
  link_failed,
  link_not_a_page,
  page_broke_off,
  no_title,
  no_terminator,
  another_terminator,
  empty_rows,
  repeated_record,
  above_last_row,
  crlf,
  byte_order_mark,
  text_before_record,
  text_after_record,
  control_character,
  not_utf8,
  https_target,
  other_scheme,
  partial_address,
  page_over_cap,
};
inline constexpr std::size_t problem_code_count = 24;

// What a kind of problem is called and means: an error where readers lose
// something, a warning where the page works but likely not as meant.
struct ProblemKind {
  ProblemCode code;
  std::string_view name;  // "no-terminator"
  bool error;
  std::string_view description;
};
// Every kind, in the order of the codes.
std::span<const ProblemKind> problem_kinds();
const ProblemKind& kind_of(ProblemCode code);
std::optional<ProblemCode> code_named(std::string_view name);

// The part of a line a problem concerns, for editors to mark.
enum class ProblemField : std::uint8_t { line, label, target };

// A problem of a page, for its author.
struct PageProblem {
  std::size_t line;  // 0 for one of the whole page
  ProblemCode code;
  std::string message;  // the page's text in it already shown by the check's rule
  ProblemField field = ProblemField::line;
  bool error() const { return kind_of(code).error; }
};

// The fields of the record a line holds, as views into it; none when it
// holds none.
struct RecordFields {
  std::string_view label;
  std::string_view target;
  std::string_view flag;
};
std::optional<RecordFields> record_fields(std::string_view line);

// What the check of a page tells its caller, in the order of a report: the
// problems of the whole page first, then line by line, each line's own
// problems before its link.
struct PageCheckSink {
  std::function<void(const PageProblem&)> problem;
  // A link target that can be retrieved as written (an http address, or one
  // that readers load as one), at `line`. May be empty.
  std::function<void(std::size_t line, std::string_view target)> link;
};

// Reads a body as the browser reads it and tells `sink` what is wrong with
// it, in the order of a report and holding no problem: read once for what
// only its end shows, then again to say each problem at its line. Quoted
// page text is shown by `rule`, the report's.
void check_page(std::string_view body, TextRule rule, const PageCheckSink& sink);

// The link targets check_page hands to `sink.link`, in the same order,
// without checking anything else.
void each_link(std::string_view body,
               const std::function<void(std::size_t line, std::string_view target)>& visit);
// Every record's non-empty target, retrievable or not, with its line; the
// target is a view into `body`.
void each_target(std::string_view body,
                 const std::function<void(std::size_t line, std::string_view target)>& visit);
