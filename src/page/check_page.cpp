// Checking a page for its author: every line where readers lose something
// (errors), and what works but likely not as the author meant (warnings),
// each said at its line so that the author sees what to mend.
#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "base/ascii.h"
#include "base/shown_text.h"
#include "page/check_parts.h"
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

// The first line that holds no record, where readers stop, and what they
// lose with it. The lines below are still checked, for the author.
std::string readers_stop(std::string_view what, std::string_view rest) {
  const std::size_t lost = lines_in(rest);
  std::string message(what);
  message += ": readers stop here";
  if (lost == 1) message += ": the line below is not shown";
  if (lost > 1) message += ": the " + std::to_string(lost) + " lines below are not shown";
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

// Why readers stop at a line that holds no record, and its kind.
PageProblem why_reading_stops(std::size_t line_number, std::string_view line,
                              const RecordMatch& record) {
  if (line.empty())
    return {line_number, ProblemCode::empty_line, "empty line, which holds no record"};
  if (!record.found)
    return {line_number, ProblemCode::not_a_record,
            "not a record: " + std::string(what_is_missing(line))};
  if (record.number.empty())
    return {line_number, ProblemCode::not_a_record, "record without a number"};
  return {line_number, ProblemCode::number_too_large,
          "record number " + std::string(record.number) + " is above the largest, " +
              std::to_string(std::numeric_limits<std::int32_t>::max())};
}

// A record's number and line, for pages whose numbers do not rise.
struct NumberedLine {
  std::int32_t number;
  std::uint32_t line;
  bool operator<(const NumberedLine& other) const {
    return number != other.number ? number < other.number : line < other.line;
  }
};

// What the first reading of a page learns, for the second to say each
// problem at its line. Lines that hold no record are passed over: the
// records below them count as the author will have them once they are mended.
struct Survey {
  std::size_t lines = 0;
  std::size_t stop_line = 0;  // the first line that holds no record; 0 when all do
  std::size_t records = 0;
  bool titled = false;
  std::size_t first_terminator = 0;  // lines, 0 when there is none
  std::size_t last_terminator = 0;
  std::int32_t last_row = 0;       // the number of the last terminator read
  std::int32_t highest_below = 0;  // the highest record number below the last row
  std::size_t first_cr_line = 0;
  std::size_t cr_lines = 0;
  bool rising = true;  // no record's number is below the one before it
  // Only where the numbers do not rise: every record, by number then line.
  std::vector<NumberedLine> by_number;
};

// Every record, by number then line, for a page whose numbers do not rise.
std::vector<NumberedLine> records_by_number(std::string_view body, std::size_t records) {
  std::vector<NumberedLine> by_number;
  by_number.reserve(records);
  std::uint32_t line = 0;
  for (std::string_view rest = body; !rest.empty();) {
    ++line;
    if (const auto number = match_line(take_line(rest)).number)
      by_number.push_back({*number, line});
  }
  std::sort(by_number.begin(), by_number.end());
  return by_number;
}

// Reads every record once for what only the whole page shows. The highest
// record below the last row is tracked as the numbers rise; otherwise it is
// looked up among all records, by number.
Survey survey(std::string_view body) {
  Survey page;
  std::int32_t last_number = 0;
  std::int32_t below_last_number = 0;  // the highest number below last_number
  for (std::string_view rest = body; !rest.empty();) {
    const std::string_view line = take_line(rest);
    const std::size_t line_number = ++page.lines;
    if (line.ends_with('\r') && page.cr_lines++ == 0) page.first_cr_line = line_number;
    const auto [record, number] = match_line(line);
    if (!number) {
      if (page.stop_line == 0) page.stop_line = line_number;
      continue;
    }
    if (page.records > 0 && *number < last_number) page.rising = false;
    if (page.records == 0 || *number > last_number) {
      if (page.records > 0) below_last_number = last_number;
      last_number = *number;
    }
    ++page.records;
    page.titled = page.titled || *number == 0;
    if (record.flag == "\\") {
      if (page.first_terminator == 0) page.first_terminator = line_number;
      page.last_terminator = line_number;
      page.last_row = *number;
      page.highest_below = below_last_number;  // as long as the numbers rise
    }
  }
  if (page.rising) return page;
  page.by_number = records_by_number(body, page.records);
  const auto above = std::lower_bound(page.by_number.begin(), page.by_number.end(),
                                      NumberedLine{page.last_row, 0});
  page.highest_below = above == page.by_number.begin() ? 0 : std::prev(above)->number;
  return page;
}

// More empty rows than this after the highest record are no page's intent.
constexpr std::int64_t most_empty_rows = 1000;

// What the whole page lacks is said where the mend goes: a title at the
// first line, a terminator at the last, before that line's own problems.
void check_whole_page(const Survey& page, std::size_t line, const PageCheckSink& sink) {
  if (line == 1 && !page.titled)
    sink.problem({1, ProblemCode::no_title, "no title record (record 0)"});
  if (line == page.lines && page.first_terminator == 0)
    sink.problem({line, ProblemCode::no_terminator,
                  "no terminator record: readers see as many rows as the page they came from had"});
}

// The line that ends in CR LF first says so for all of them.
void check_line_end(const Survey& page, std::size_t line, const PageCheckSink& sink) {
  if (line != page.first_cr_line) return;
  sink.problem({line, ProblemCode::crlf,
                page.cr_lines == 1
                    ? std::string("this line ends in CR LF: its CR is ignored, as text after its "
                                  "record")
                    : "this line and " + std::to_string(page.cr_lines - 1) +
                          " more end in CR LF: each CR is ignored, as text after its record"});
}

// What the whole page shows about one record: another terminator, one that
// leaves too many empty rows, a number said before, one above the last row.
void check_numbering(const Survey& page, std::size_t line, std::int32_t number, bool terminator,
                     bool linked, std::size_t replaced_line, const PageCheckSink& sink) {
  if (terminator && line != page.first_terminator)
    sink.problem({line, ProblemCode::another_terminator,
                  "another terminator record; the first is on line " +
                      std::to_string(page.first_terminator) +
                      ", and the last one read sets the "
                      "last row"});
  if (const std::int64_t empty_rows = std::int64_t{page.last_row} - page.highest_below - 1;
      line == page.last_terminator && empty_rows > most_empty_rows)
    sink.problem({line, ProblemCode::empty_rows,
                  "the terminator's number leaves " + std::to_string(empty_rows) +
                      " empty rows after record " + std::to_string(page.highest_below) +
                      ", the one before it"});
  const auto record = [number] { return "record " + std::to_string(number); };
  if (replaced_line != 0)
    sink.problem(
        {line, ProblemCode::repeated_record,
         record() + " again: it replaces the one on line " + std::to_string(replaced_line)});
  if (page.first_terminator != 0 && number > page.last_row)
    sink.problem({line, ProblemCode::above_last_row,
                  record() + " is above the last row, " + std::to_string(page.last_row) +
                      ", so it is not shown" + (linked ? ", though its link works" : "")});
}

// The line of the record before this one with the same number, 0 if none.
struct RepeatFinder {
  const Survey& page;
  std::int32_t previous_number = -1;
  std::size_t previous_line = 0;

  std::size_t replaced(std::int32_t number, std::size_t line) {
    std::size_t found = 0;
    if (page.rising) {
      if (number == previous_number) found = previous_line;
    } else {
      const auto at = std::lower_bound(page.by_number.begin(), page.by_number.end(),
                                       NumberedLine{number, static_cast<std::uint32_t>(line)});
      if (at != page.by_number.begin() && std::prev(at)->number == number)
        found = std::prev(at)->line;
    }
    previous_number = number;
    previous_line = line;
    return found;
  }
};

// The problems of one line that holds a record, in the order of a report.
void check_record(std::string_view line, std::size_t line_number, const RecordMatch& record,
                  TextRule rule, const PageCheckSink& sink) {
  if (record.number.data() != line.data())
    sink.problem(text_before(
        line_number, line.substr(0, static_cast<std::size_t>(record.number.data() - line.data())),
        rule));
  const auto flag_at = static_cast<std::size_t>(record.flag.data() - line.data());
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (flag_at + 1 < line.size())
    sink.problem(
        {line_number, ProblemCode::text_after_record, text_after(line.substr(flag_at), rule)});
  note_oddity(ProblemField::label, record.label, line_number, sink);
  if (!record.target.empty()) check_target(record.target, line_number, rule, sink);
}

}  // namespace

void check_page(std::string_view body, TextRule rule, const PageCheckSink& sink) {
  const Survey page = survey(body);
  if (page.records == 0) {
    sink.problem({1, ProblemCode::no_record, "no record on the page: readers see an empty page"});
    return;
  }
  RepeatFinder repeats{page};
  std::size_t line_number = 0;
  for (std::string_view rest = body; !rest.empty();) {
    const std::string_view line = take_line(rest);
    ++line_number;
    check_whole_page(page, line_number, sink);
    const auto [record, number] = match_line(line);
    if (!number) {
      PageProblem stop = why_reading_stops(line_number, line, record);
      if (line_number == page.stop_line) stop.message = readers_stop(stop.message, rest);
      sink.problem(stop);
      check_line_end(page, line_number, sink);
      continue;
    }
    check_line_end(page, line_number, sink);
    check_record(line, line_number, record, rule, sink);
    check_numbering(page, line_number, *number, record.flag == "\\", !record.target.empty(),
                    repeats.replaced(*number, line_number), sink);
    if (sink.link && can_be_retrieved(record.target)) sink.link(line_number, record.target);
  }
}

void each_link(std::string_view body,
               const std::function<void(std::size_t line, std::string_view target)>& visit) {
  each_target(body, [&visit](std::size_t line, std::string_view target) {
    if (can_be_retrieved(target)) visit(line, target);
  });
}

void each_target(std::string_view body,
                 const std::function<void(std::size_t line, std::string_view target)>& visit) {
  std::size_t line_number = 0;
  for (std::string_view rest = body; !rest.empty();) {
    const auto [record, number] = match_line(take_line(rest));
    ++line_number;
    if (number && !record.target.empty()) visit(line_number, record.target);
  }
}

std::optional<RecordFields> record_fields(std::string_view line) {
  const auto [record, number] = match_line(line);
  if (!number) return std::nullopt;
  return RecordFields{record.label, record.target, record.flag};
}
