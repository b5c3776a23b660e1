// Report lines of --check in each format, a page's problems bounded, the
// summary, and the verdict on a link, alike for named pages and a whole site.
#include "check/check_report.h"

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>

#include "base/messages.h"

namespace {

using Json = nlohmann::ordered_json;

// Lines gathered and written a buffer at a time, not a piece at a time:
// saves 0.1 s of 0.4 in checking the million-record page with every problem
// written.
constexpr std::size_t report_buffer_bytes = std::size_t{64} << 10;

// JSON as one line of ASCII: invalid UTF-8 replaced, every control byte and
// every other character escaped, so that no byte of a page reaches a terminal.
std::string json_line(const Json& object) {
  return object.dump(-1, ' ', true, Json::error_handler_t::replace) + '\n';
}

// A JSON string of text, in ASCII, escaped as json_line escapes it.
void append_json_string(std::string& json, std::string_view text) {
  json += Json(text).dump(-1, ' ', true, Json::error_handler_t::replace);
}

// A workflow command's message, and its properties, escaped as GitHub reads
// them: CR and LF as the format writes them, so that a name holding one
// still names its file; every other control byte shown by `rule`.
std::string github_text(std::string_view text, bool property, TextRule rule) {
  std::string escaped;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
    for (const char c : visible(text.substr(from, end - from), rule)) {
      if (c == '%')
        escaped += "%25";
      else if (property && c == ':')
        escaped += "%3A";
      else if (property && c == ',')
        escaped += "%2C";
      else
        escaped += c;
    }
    if (end < text.size()) escaped += text[end] == '\r' ? "%0D" : "%0A";
    from = end + 1;
  }
  return escaped;
}

void append_number(std::string& text, std::size_t number) {
  std::array<char, 24> digits{};
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
  text.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

// A severity as reports and annotations name it.
std::string_view name_of(Report::Severity severity) {
  switch (severity) {
    case Report::Severity::error:
      return "error";
    case Report::Severity::warning:
      return "warning";
    case Report::Severity::note:
      break;
  }
  return "note";
}

std::string link_message(std::string_view address, std::string_view why) {
  std::string message = "link to ";
  message += address;
  message += ": ";
  message += why;
  return message;
}

std::string summary_line(std::size_t errors, std::size_t warnings, const ReportEnd& end) {
  std::string line = counted(errors, "error") + " and " + counted(warnings, "warning") + " in " +
                     counted(end.pages, "page");
  if (!end.start.empty()) line += " from " + end.start;
  if (end.addresses) line += ", linking to " + counted(*end.addresses, "address", "addresses");
  if (end.pages_not_checked > 0)
    line += ", " + counted(end.pages_not_checked, "page") + " not checked (--max-pages " +
            std::to_string(end.max_pages) + ")";
  if (end.beyond_depth > 0)
    line += ", " + counted(end.beyond_depth, "page") + " not checked (--max-depth " +
            std::to_string(end.max_depth) + ")";
  if (end.offline > 0)
    line += ", " + counted(end.offline, "link") + " to other sites not checked (--offline)";
  if (end.excluded > 0)
    line += ", " + counted(end.excluded, "address", "addresses") + " excluded (--exclude)";
  if (end.stopped) line += "; stopped by Ctrl-C";
  return line;
}

}  // namespace

Report::Report(std::ostream& out, ReportFormat format, std::size_t max_problems, TextRule rule)
    : out(out), format(format), max_problems(max_problems), rule(rule) {}

Report::~Report() { flush(); }

TextRule Report::message_rule() const {
  return format == ReportFormat::text ? rule : TextRule::raw;
}

void Report::begin_page(std::string_view page_name) {
  if (format == ReportFormat::json) {
    name.clear();
    append_json_string(name, page_name);
  } else if (format == ReportFormat::github) {
    name = github_text(page_name, true, rule);
  } else {
    name = visible(page_name, rule);
  }
  written_on_page = 0;
  more_on_page = 0;
}

bool Report::count(bool error) {
  ++(error ? errors_ : warnings_);
  if (max_problems != 0 && written_on_page == max_problems) {
    ++more_on_page;
    return false;
  }
  ++written_on_page;
  return true;
}

void Report::problem(const PageProblem& problem) {
  if (count(problem.error))
    write(problem.line, problem.error ? Severity::error : Severity::warning, problem.message);
}

void Report::link_problem(std::size_t line, std::string_view address, const LinkVerdict& verdict) {
  if (!count(true)) return;
  const std::string message = link_message(address, verdict.why);
  write(line, Severity::error, format == ReportFormat::text ? visible(message, rule) : message,
        address, &verdict);
}

void Report::end_page(std::size_t unseen_errors, std::size_t unseen_warnings) {
  errors_ += unseen_errors;
  warnings_ += unseen_warnings;
  const std::size_t more = more_on_page + unseen_errors + unseen_warnings;
  if (more == 0) return;
  write(0, Severity::note,
        counted(more, "more problem") + " not shown (--max-problems " +
            std::to_string(max_problems) + ")");
}

// NAME:LINE: SEVERITY: MESSAGE, or without LINE for the page as a whole; the
// same as a JSON object or a workflow command.
void Report::write(std::size_t line, Severity severity, std::string_view message,
                   std::string_view address, const LinkVerdict* verdict) {
  if (format == ReportFormat::json) {
    // The object's fixed keys are written around strings the library
    // escapes: with every problem of the million-record page written, 0.29 s
    // against 0.66 s for a whole object made for each.
    waiting += "{\"name\":";
    waiting += name;
    waiting += ",\"line\":";
    if (line != 0)
      append_number(waiting, line);
    else
      waiting += "null";
    waiting += R"(,"severity":")";
    waiting += name_of(severity);
    waiting += R"(","message":)";
    append_json_string(waiting, message);
    if (verdict != nullptr) {
      waiting += ",\"address\":";
      append_json_string(waiting, address);
      if (verdict->status != 0) {
        waiting += ",\"status\":";
        append_number(waiting, static_cast<std::size_t>(verdict->status));
      } else {
        waiting += ",\"failure\":";
        append_json_string(waiting, verdict->why);
      }
    }
    waiting += "}\n";
  } else if (format == ReportFormat::github) {
    waiting += "::";
    waiting += severity == Severity::note ? "notice" : name_of(severity);
    waiting += " file=";
    waiting += name;
    if (line != 0) {
      waiting += ",line=";
      append_number(waiting, line);
    }
    waiting += "::";
    waiting += github_text(message, false, rule);
    waiting += '\n';
  } else {
    waiting += name;
    if (line != 0) {
      waiting += ':';
      append_number(waiting, line);
    }
    waiting += ": ";
    waiting += name_of(severity);
    waiting += ": ";
    waiting += message;
    waiting += '\n';
  }
  if (waiting.size() >= report_buffer_bytes) flush();
}

void Report::finish(const ReportEnd& end, bool always) {
  if (format == ReportFormat::json) {
    Json summary = {{"errors", errors_}, {"warnings", warnings_}, {"pages", end.pages}};
    summary["addresses"] = end.addresses.value_or(0);
    summary["pages_not_checked"] = end.pages_not_checked;
    if (!end.start.empty()) summary["start"] = end.start;
    summary["offline_not_checked"] = end.offline;
    summary["excluded"] = end.excluded;
    summary["pages_beyond_depth"] = end.beyond_depth;
    summary["stopped"] = end.stopped;
    waiting += json_line(summary);
  } else if (always || errors_ + warnings_ > 0) {
    const std::string line = summary_line(errors_, warnings_, end);
    if (format == ReportFormat::github)
      waiting += "::notice::" + github_text(line, false, rule) + '\n';
    else
      waiting += visible(line, rule) + '\n';
  }
  flush();
}

void Report::flush() {
  out << waiting << std::flush;
  waiting.clear();
}

int Report::status(bool strict) const { return errors_ > 0 || (strict && warnings_ > 0) ? 1 : 0; }

LinkVerdict verdict_of(const SideAnswer& answer) {
  using Outcome = LinkVerdict::Outcome;
  if (answer.stop != TransferStop::none && answer.stop != TransferStop::cut)
    return {Outcome::not_retrieved, answer.failure, 0};
  if (!success_status(answer.status)) return {Outcome::status, answer.failure, answer.status};
  if (!holds_record(answer.body)) return {Outcome::not_a_page, std::string(message::not_a_page), 0};
  return {};
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  std::string words = std::to_string(count) + " ";
  if (count == 1) return words += one;
  if (many.empty()) return (words += one) += 's';
  return words += many;
}
