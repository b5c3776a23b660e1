// Checking a page for its author: every line where readers lose something
// (errors), and what works but likely not as the author meant (warnings),
// each said so that the author sees what to mend.
#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "base/ascii.h"
#include "base/shown_text.h"
#include "page/page.h"
#include "page/read_lines.h"
#include "page/record_pattern.h"

namespace {

std::size_t lines_in(std::string_view rest) {
  std::size_t count = 0;
  while (!rest.empty()) {
    take_line(rest);
    ++count;
  }
  return count;
}

// A line that stops the reading, and what readers lose with it.
std::string stops_reading(std::string_view what, std::string_view rest) {
  const std::size_t lost = lines_in(rest);
  std::string message(what);
  message += ": reading stops here";
  if (lost == 1) message += ", and the line below is never read";
  if (lost > 1) message += ", and the " + std::to_string(lost) + " lines below are never read";
  return message;
}

// What a line that holds no record lacks, in the order a record has it:
// NUMBER:LABEL|TARGET|FLAG, read from its first colon.
std::string_view what_is_missing(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos)
    return is_digit(line.front()) ? "no colon after the number" : "no number and colon start it";
  if (colon == 0 || !is_digit(line[colon - 1])) return "no number before the colon";
  const std::size_t first_bar = line.find('|', colon + 1);
  if (first_bar == std::string_view::npos) return "no bar after the label";
  if (line.find('|', first_bar + 1) == std::string_view::npos) return "no bar after the target";
  return "no flag after the bar that ends the target";
}

std::string why_reading_stops(std::string_view line, const RecordMatch& record) {
  if (line.empty()) return "empty line, which holds no record";
  if (!record.found) return "not a record: " + std::string(what_is_missing(line));
  if (record.number.empty()) return "record without a number";
  return "record number " + std::string(record.number) + " is too large (the largest is " +
         std::to_string(std::numeric_limits<std::int32_t>::max()) + ")";
}

// The page's own text in a message, shown by the rule of the report. Plain
// ASCII, as most of it is, is appended as it stands, without the walk of
// shown text: saves 15 ms of 170 in checking the million-record page.
void append_page_text(std::string& message, std::string_view text, TextRule rule) {
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return is_plain(static_cast<unsigned char>(c)); }))
    message += text;
  else
    append_visible(message, text, rule);
}

// The page's own text in a message: in quotes, cut to about 40 characters
// (never inside a UTF-8 character), and shown by the rule of the report.
void append_quoted(std::string& message, std::string_view text, TextRule rule) {
  constexpr std::size_t most = 40;
  message += '"';
  if (text.size() <= most) {
    append_page_text(message, text, rule);
  } else {
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) --cut;
    append_page_text(message, text.substr(0, cut), rule);
    message += "...";
  }
  message += '"';
}

std::string quoted(std::string_view text, TextRule rule) {
  std::string quote;
  append_quoted(quote, text, rule);
  return quote;
}

constexpr std::string_view byte_order_mark = "\xef\xbb\xbf";

std::string text_before(std::string_view before, TextRule rule) {
  if (!before.starts_with(byte_order_mark))
    return "text before the record is ignored: " + quoted(before, rule);
  std::string message = "a byte-order mark (EF BB BF) before the record is ignored";
  before.remove_prefix(byte_order_mark.size());
  if (!before.empty()) message += ", and so is the text " + quoted(before, rule);
  return message + ": save the page without it";
}

std::string text_after(std::string_view after, std::string_view flag, TextRule rule) {
  if (after.starts_with('|'))
    return "the record ends at its flag " + quoted(flag, rule) +
           ": the fields after it are ignored: " + quoted(after, rule);
  return "text after the record is ignored: " + quoted(after, rule);
}

enum class Oddity { none, control, malformed };

// Whether text holds a control byte other than a tab, or is not UTF-8, as the
// browser shows text at a UTF-8 terminal. Runs of plain bytes are skipped
// with one search each, looking bytes up as the shown text's walk does.
Oddity oddity_in(std::string_view text) {
  const auto plain = [](char c) { return !text_run_ends[static_cast<unsigned char>(c)]; };
  for (auto at = std::find_if_not(text.begin(), text.end(), plain); at != text.end();) {
    const std::string_view rest(at, text.end());
    const ShownPiece piece = next_piece(rest, TextRule::utf8);
    if (!piece.passed) {
      const auto first = static_cast<unsigned char>(rest.front());
      const bool c1 = first == 0xc2 && piece.consumed == 2;  // U+0080 to U+009F
      return first < 0x80 || c1 ? Oddity::control : Oddity::malformed;
    }
    at = std::find_if_not(at + static_cast<std::ptrdiff_t>(piece.consumed), text.end(), plain);
  }
  return Oddity::none;
}

void note_oddity(std::string_view what, std::string_view text, std::size_t line,
                 const ProblemSink& report) {
  const Oddity oddity = oddity_in(text);
  if (oddity == Oddity::control)
    report({line, false, std::string(what) + " holds a control character"});
  else if (oddity == Oddity::malformed)
    report({line, false, std::string(what) + " is not valid UTF-8"});
}

// A target without a scheme that names a file rather than a host: "news.txt"
// loads http://news.txt.
bool looks_like_file_name(std::string_view target, std::string_view host) {
  if (target.starts_with("./") || target.starts_with("../")) return true;
  constexpr std::array<std::string_view, 12> file_endings = {".txt", ".html", ".htm", ".md",
                                                             ".csv", ".json", ".xml", ".php",
                                                             ".png", ".jpg",  ".gif", ".pdf"};
  return std::any_of(file_endings.begin(), file_endings.end(),
                     [host](std::string_view end) { return ends_ignoring_case(host, end); });
}

// A host part that names no host people mean: no dot, no port, and not
// localhost ("relative" of relative/page.txt), or none at all (/page.txt).
bool cannot_be_host(std::string_view host) {
  return std::none_of(host.begin(), host.end(), [](char c) { return c == '.' || c == ':'; }) &&
         !equals_ignoring_case(host, "localhost");
}

// The host part of a target without a scheme: up to its path, query or
// fragment. A loop of its own rather than find_first_of, which looks each
// byte up in the set with a call: saves 10 ms of 250 in checking the
// million-record page.
std::string_view host_part(std::string_view target) {
  const auto end = std::find_if(target.begin(), target.end(),
                                [](char c) { return c == '/' || c == '?' || c == '#'; });
  return target.substr(0, static_cast<std::size_t>(end - target.begin()));
}

bool is_scheme_byte(char c) {
  return is_digit(c) || (ascii_lower(c) >= 'a' && ascii_lower(c) <= 'z') || c == '+' || c == '-' ||
         c == '.';
}

// Whether a target starts with a scheme ("mailto" of mailto:x@y): letters,
// digits, +, - and . before a colon, with no port's digits after it, as in
// localhost:8080/page.
bool has_scheme(std::string_view target) {
  const std::size_t colon = target.find(':');
  if (colon == std::string_view::npos || colon == 0 || is_digit(target[0])) return false;
  if (!std::all_of(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(colon),
                   is_scheme_byte))
    return false;
  std::size_t end = colon + 1;
  while (end < target.size() && is_digit(target[end])) ++end;
  return end == colon + 1 || (end < target.size() && target[end] != '/');
}

// A byte libcurl cannot send as it stands in an address; none when there is none.
std::string_view unsendable_byte(std::string_view target) {
  for (const char c : target) {
    if (c == '\0') return "a NUL byte";
    if (c == ' ') return "a space";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return "a control character";
  }
  return {};
}

// Where a link goes other than the author likely meant: over plain http for
// https, to a host named after a file or a folder, or to another scheme,
// which the browser puts http:// in front of as well.
void check_address(std::string_view target, std::size_t line, TextRule rule,
                   const ProblemSink& report) {
  if (target.starts_with("https://") || target.starts_with("HTTPS://")) {
    report({line, false, "https link target: it is loaded over plain http"});
  } else if (target.starts_with("http://") || target.starts_with("HTTP://")) {
    return;
  } else if (has_scheme(target)) {
    report({line, false,
            "link target " + visible(target, rule) + " is not an http address: it loads http://" +
                visible(target, rule)});
  } else if (const std::string_view host = host_part(target);
             cannot_be_host(host) || looks_like_file_name(target, host)) {
    // One string, built in place: a page may hold a million such targets.
    PageProblem problem{line, false, {}};
    std::string& message = problem.message;
    message.reserve(2 * target.size() + 64);
    append_page_text(message, target, rule);
    message += " loads http://";
    append_page_text(message, target, rule);
    message += ", a host named ";
    append_quoted(message, host, rule);
    message += "; write the full address";
    report(problem);
  }
}

void check_target(std::string_view target, std::size_t line, TextRule rule,
                  std::vector<PageLink>& links, const ProblemSink& report) {
  if (const std::string_view byte = unsendable_byte(target); !byte.empty()) {
    report({line, true,
            "link target holds " + std::string(byte) + ": it cannot be retrieved as written"});
    return;
  }
  links.push_back({line, target});
  check_address(target, line, rule, report);
  note_oddity("link target", target, line, report);
}

// Each record's number and line, in page order: twelve bytes, as a big page
// has millions.
struct NumberedLine {
  std::int32_t number;
  std::uint32_t line;
  bool linked;
};

// What the end of the page shows about a record: that it repeats the number
// of an earlier line, or stands above the last row.
struct LateFinding {
  std::uint32_t line;
  std::int32_t number;
  std::uint32_t replaced_line;  // 0 for one above the last row
  bool linked;
};

// Repeated numbers, and records above the last row once it is known: the
// page's records settled as the browser settles them, said in line order.
// Returns the highest record number below the last row, 0 if none.
std::int32_t check_numbers(std::vector<NumberedLine> records, bool ordered, std::int32_t last_row,
                           bool terminated, const ProblemSink& report) {
  if (!ordered)
    std::stable_sort(
        records.begin(), records.end(),
        [](const NumberedLine& a, const NumberedLine& b) { return a.number < b.number; });
  std::vector<LateFinding> findings;
  std::int32_t highest_below = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const NumberedLine& record = records[i];
    if (record.number < last_row) highest_below = record.number;
    if (i > 0 && records[i - 1].number == record.number)
      findings.push_back({record.line, record.number, records[i - 1].line, record.linked});
    if (terminated && record.number > last_row)
      findings.push_back({record.line, record.number, 0, record.linked});
  }
  std::vector<NumberedLine>().swap(records);
  std::stable_sort(findings.begin(), findings.end(),
                   [](const LateFinding& a, const LateFinding& b) { return a.line < b.line; });
  for (const LateFinding& f : findings) {
    const std::string record = "record " + std::to_string(f.number);
    if (f.replaced_line != 0)
      report(
          {f.line, false, record + " again: it replaces line " + std::to_string(f.replaced_line)});
    else
      report({f.line, false,
              record + " is above the last row (" + std::to_string(last_row) +
                  "): it is not shown" + (f.linked ? ", though its link works" : "")});
  }
  return highest_below;
}

// More empty rows than this after the highest record are no page's intent.
constexpr std::int64_t most_empty_rows = 1000;

}  // namespace

std::vector<PageLink> check_page(std::string_view body, TextRule rule, const ProblemSink& report) {
  std::vector<PageLink> links;
  std::vector<NumberedLine> records;
  bool ordered = true;
  bool titled = false;
  std::size_t first_terminator = 0;
  std::int32_t last_row = 0;
  std::size_t carriage_returns = 0;
  std::size_t line_number = 0;
  bool stopped = false;
  for (std::string_view rest = body; !rest.empty();) {
    std::string_view line = take_line(rest);
    ++line_number;
    if (line.ends_with('\r')) ++carriage_returns;
    const auto [record, number] = match_line(line);
    if (!number) {
      report({line_number, true, stops_reading(why_reading_stops(line, record), rest)});
      stopped = true;
      break;
    }
    if (!records.empty() && *number <= records.back().number) ordered = false;
    records.push_back({*number, static_cast<std::uint32_t>(line_number), !record.target.empty()});
    titled = titled || *number == 0;
    if (record.number.data() != line.data())
      report(
          {line_number, false,
           text_before(line.substr(0, static_cast<std::size_t>(record.number.data() - line.data())),
                       rule)});
    const std::size_t record_end = static_cast<std::size_t>(record.flag.data() - line.data()) + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (record_end < line.size())
      report({line_number, false, text_after(line.substr(record_end), record.flag, rule)});
    note_oddity("label", record.label, line_number, report);
    if (!record.target.empty()) check_target(record.target, line_number, rule, links, report);
    if (record.flag == "\\") {
      if (first_terminator != 0)
        report({line_number, false,
                "another terminator record (the first is on line " +
                    std::to_string(first_terminator) + "): the last one read sets the last row"});
      else
        first_terminator = line_number;
      last_row = *number;
    }
  }
  const bool no_record = records.empty();
  const std::int32_t highest_below =
      check_numbers(std::move(records), ordered, last_row, first_terminator != 0, report);
  if (no_record) report({0, true, "no record on the page: readers see an empty page"});
  if (!titled && !no_record) report({0, false, "no title record (record 0)"});
  // Where reading stopped, a terminator below is never read: the error says so.
  if (first_terminator == 0 && !stopped && !no_record)
    report({0, false,
            "no terminator record: readers see as many rows as the page they came from had"});
  if (const std::int64_t empty_rows = std::int64_t{last_row} - highest_below - 1;
      first_terminator != 0 && empty_rows > most_empty_rows)
    report({0, false,
            "the terminator's number " + std::to_string(last_row) + " leaves " +
                std::to_string(empty_rows) + " empty rows after the record before it (" +
                std::to_string(highest_below) + ")"});
  if (carriage_returns > 0)
    report({0, false,
            "lines end in CR LF (" + std::to_string(carriage_returns) +
                "): each CR is ignored, as text after its record"});
  return links;
}
