// The kinds of problem a check reports: each one's stable code, its level
// and what it means, as reports, --list-codes and --ignore name them.
#include <algorithm>
#include <array>

#include "page/page.h"

namespace {

using Code = ProblemCode;

// In the order of ProblemCode, which kind_of relies on.
constexpr std::array<ProblemKind, problem_code_count> kinds = {{
    {Code::no_record, "no-record", true, "the page holds no record: readers see an empty page"},
    {Code::empty_line, "empty-line", true, "an empty line: readers stop there"},
    {Code::not_a_record, "not-a-record", true, "a line that holds no record: readers stop there"},
    {Code::number_too_large, "number-too-large", true,
     "a record number above 2147483647: readers stop there"},
    {Code::unsendable_target, "unsendable-target", true,
     "a link target with a space, NUL or control byte: it cannot be retrieved as written"},
    {Code::link_failed, "link-failed", true,
     "a link whose target cannot be retrieved or answers with an HTTP error"},
    {Code::link_not_a_page, "link-not-a-page", true,
     "a link whose target holds no record on its first line"},
    {Code::page_broke_off, "page-broke-off", true,
     "the start of a site's check broke off on its way and is checked as far as it came"},
    {Code::no_title, "no-title", false, "no title record (record 0)"},
    {Code::no_terminator, "no-terminator", false,
     "no terminator record: readers see as many rows as the page they came from had"},
    {Code::another_terminator, "another-terminator", false,
     "a terminator record after the first: the last one read sets the last row"},
    {Code::empty_rows, "empty-rows", false,
     "the terminator's number leaves more than 1000 empty rows"},
    {Code::repeated_record, "repeated-record", false,
     "a record number said before: the later record replaces the earlier"},
    {Code::above_last_row, "above-last-row", false,
     "a record above the terminator's row: it is not shown"},
    {Code::crlf, "crlf", false, "lines that end in CR LF: each CR is ignored"},
    {Code::byte_order_mark, "byte-order-mark", false,
     "a byte-order mark before the first record, which is ignored"},
    {Code::text_before_record, "text-before-record", false,
     "text before a record's number, which is ignored"},
    {Code::text_after_record, "text-after-record", false,
     "text or fields after a record's flag, which are ignored"},
    {Code::control_character, "control-character", false,
     "a label or link target that holds a control character"},
    {Code::not_utf8, "not-utf8", false, "a label or link target that is not valid UTF-8"},
    {Code::https_target, "https-target", false,
     "an https link target: it is loaded over plain http"},
    {Code::other_scheme, "other-scheme", false,
     "a link of another scheme (mailto:, ftp:): readers load it with http:// in front"},
    {Code::partial_address, "partial-address", false,
     "a link target that names a file or folder, not a host: readers load http:// in front of it"},
    {Code::page_over_cap, "page-over-cap", false,
     "a page over 64 MiB: readers get only its first 64 MiB"},
}};

// Whether the table holds each code once, at the place of its value.
constexpr bool in_code_order() {
  for (std::size_t i = 0; i < kinds.size(); ++i)
    if (static_cast<std::size_t>(kinds[i].code) != i) return false;
  return true;
}
static_assert(in_code_order(), "the kinds are listed in the order of ProblemCode");

}  // namespace

std::span<const ProblemKind> problem_kinds() { return kinds; }

const ProblemKind& kind_of(ProblemCode code) { return kinds[static_cast<std::size_t>(code)]; }

std::optional<ProblemCode> code_named(std::string_view name) {
  const auto found = std::find_if(kinds.begin(), kinds.end(),
                                  [name](const ProblemKind& kind) { return kind.name == name; });
  if (found == kinds.end()) return std::nullopt;
  return found->code;
}
