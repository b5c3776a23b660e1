// Checking a page for its author: every line where readers lose something
// (errors), and what works but likely not as the author meant (warnings).
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

std::string why_reading_stops(std::string_view line, const RecordMatch& record) {
  if (line.empty()) return "empty line, which holds no record";
  if (!record.found) return "no record on this line";
  if (record.number.empty()) return "record without a number";
  return "record number " + std::string(record.number) + " is too large (the largest is " +
         std::to_string(std::numeric_limits<std::int32_t>::max()) + ")";
}

enum class Oddity { none, control, malformed };

// Whether text holds a control byte other than a tab, or is not UTF-8, as the
// browser shows text at a UTF-8 terminal.
Oddity oddity_in(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    if (is_plain(static_cast<unsigned char>(text[at]))) {
      ++at;
      continue;
    }
    const ShownPiece piece = next_piece(text.substr(at), TextRule::utf8);
    if (!piece.passed) {
      const auto first = static_cast<unsigned char>(text[at]);
      const bool c1 = first == 0xc2 && piece.consumed == 2;  // U+0080 to U+009F
      return first < 0x80 || c1 ? Oddity::control : Oddity::malformed;
    }
    at += piece.consumed;
  }
  return Oddity::none;
}

void note_oddity(std::string_view what, std::string_view text, std::size_t line,
                 std::vector<PageProblem>& problems) {
  const Oddity oddity = oddity_in(text);
  if (oddity == Oddity::control)
    problems.push_back({line, false, std::string(what) + " holds a control character"});
  else if (oddity == Oddity::malformed)
    problems.push_back({line, false, std::string(what) + " is not valid UTF-8"});
}

// A target without a scheme that names a file rather than a host: "news.txt"
// loads http://news.txt.
bool looks_like_file_name(std::string_view target) {
  if (target.find("://") != std::string_view::npos) return false;
  if (target.starts_with('/') || target.starts_with("./") || target.starts_with("../")) return true;
  const std::string_view host = target.substr(0, target.find('/'));
  if (host.find(':') != std::string_view::npos) return false;  // a port: a host it is
  constexpr std::array<std::string_view, 12> file_endings = {".txt", ".html", ".htm", ".md",
                                                             ".csv", ".json", ".xml", ".php",
                                                             ".png", ".jpg",  ".gif", ".pdf"};
  return std::any_of(file_endings.begin(), file_endings.end(),
                     [host](std::string_view end) { return ends_ignoring_case(host, end); });
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

void check_target(std::string_view target, std::size_t line, PageCheck& check) {
  if (const std::string_view byte = unsendable_byte(target); !byte.empty()) {
    check.problems.push_back(
        {line, true,
         "link target holds " + std::string(byte) + ": it cannot be retrieved as written"});
    return;
  }
  check.links.push_back({line, target});
  if (target.starts_with("https://") || target.starts_with("HTTPS://"))
    check.problems.push_back({line, false, "https link target: it is loaded over plain http"});
  else if (looks_like_file_name(target))
    check.problems.push_back({line, false,
                              "link target " + std::string(target) +
                                  " has no scheme and looks like a file name: it loads http://" +
                                  std::string(target)});
  note_oddity("link target", target, line, check.problems);
}

// Each record's number and line, in page order.
struct NumberedLine {
  std::int32_t number;
  std::size_t line;
  bool linked;
};

// Repeated numbers, and records above the last row once it is known: the
// page's records settled as the browser settles them.
void check_numbers(std::vector<NumberedLine> records, bool ordered, std::int32_t last_row,
                   bool terminated, std::vector<PageProblem>& problems) {
  if (!ordered)
    std::stable_sort(
        records.begin(), records.end(),
        [](const NumberedLine& a, const NumberedLine& b) { return a.number < b.number; });
  for (std::size_t i = 0; i < records.size(); ++i) {
    const NumberedLine& record = records[i];
    if (i > 0 && records[i - 1].number == record.number)
      problems.push_back({record.line, false,
                          "record " + std::to_string(record.number) + " again: it replaces line " +
                              std::to_string(records[i - 1].line)});
    if (terminated && record.number > last_row)
      problems.push_back({record.line, false,
                          "record " + std::to_string(record.number) + " is above the last row (" +
                              std::to_string(last_row) + "): it is not shown" +
                              (record.linked ? ", though its link works" : "")});
  }
}

}  // namespace

PageCheck check_page(std::string_view body) {
  PageCheck check;
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
      check.problems.push_back(
          {line_number, true, stops_reading(why_reading_stops(line, record), rest)});
      stopped = true;
      break;
    }
    if (!records.empty() && *number <= records.back().number) ordered = false;
    records.push_back({*number, line_number, !record.target.empty()});
    titled = titled || *number == 0;
    if (record.number.data() != line.data())
      check.problems.push_back({line_number, false, "text before the record is ignored"});
    const std::size_t record_end = static_cast<std::size_t>(record.flag.data() - line.data()) + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (record_end < line.size())
      check.problems.push_back({line_number, false, "text after the record is ignored"});
    note_oddity("label", record.label, line_number, check.problems);
    if (!record.target.empty()) check_target(record.target, line_number, check);
    if (record.flag == "\\") {
      if (first_terminator != 0)
        check.problems.push_back({line_number, false,
                                  "another terminator record (the first is on line " +
                                      std::to_string(first_terminator) +
                                      "): the last one read sets the last row"});
      else
        first_terminator = line_number;
      last_row = *number;
    }
  }
  check_numbers(std::move(records), ordered, last_row, first_terminator != 0, check.problems);
  if (!titled) check.problems.push_back({0, false, "no title record (record 0)"});
  // Where reading stopped, a terminator below is never read: the error says so.
  if (first_terminator == 0 && !stopped)
    check.problems.push_back({0, false,
                              "no terminator record: readers see as many rows as the page they "
                              "came from had"});
  if (carriage_returns > 0)
    check.problems.push_back({0, false,
                              "lines end in CR LF (" + std::to_string(carriage_returns) +
                                  "): each CR is ignored, as text after its record"});
  std::stable_sort(check.problems.begin(), check.problems.end(),
                   [](const PageProblem& a, const PageProblem& b) { return a.line < b.line; });
  return check;
}
