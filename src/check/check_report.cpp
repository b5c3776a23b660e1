// The report of --check: a page's problems bounded, kinds ignored, the
// summary, and the verdict on a link, alike for named pages and a whole site.
#include "check/check_report.h"

#include <nlohmann/json.hpp>

#include "base/messages.h"
#include "check/report_lines.h"

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

std::string link_message(std::string_view address, std::string_view why) {
  std::string message = "link to ";
  message += address;
  message += ": ";
  message += why;
  return message;
}

std::string summary_line(std::size_t errors, std::size_t warnings, std::size_t ignored,
                         const ReportEnd& end) {
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
  if (end.from_cache > 0)
    line += ", " + counted(end.from_cache, "link verdict") + " from the cache (--cache)";
  if (ignored > 0) line += ", " + counted(ignored, "problem") + " ignored (--ignore)";
  if (end.stopped) line += "; stopped by Ctrl-C";
  return line;
}

}  // namespace

// Rows the step summary shows at most; GitHub's job page shows a summary
// of up to 1 MiB, which 500 rows of long messages still fit in.
constexpr std::size_t most_summary_rows = 500;

Report::Report(std::ostream& out, const CheckOptions& options, TextRule rule)
    : out(out),
      format(options.format),
      max_problems(options.max_problems),
      rule(rule),
      ignored_codes(options.ignore),
      summary_wanted(options.format == ReportFormat::github && !options.step_summary.empty()) {}

Report::~Report() { flush(); }

TextRule Report::message_rule() const {
  return format == ReportFormat::text ? rule : TextRule::raw;
}

void Report::begin_page(std::string_view page_name) {
  page = page_name;
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
  if (ignores(problem.code)) {
    ++ignored;
    return;
  }
  const bool error = problem.error();
  if (count(error))
    write(problem.line, error ? Severity::error : Severity::warning, problem.message, problem.code);
}

void Report::link_problem(std::size_t line, std::string_view address, const LinkVerdict& verdict) {
  const ProblemCode code = code_of(verdict);
  if (ignores(code)) {
    ++ignored;
    return;
  }
  if (!count(true)) return;
  const std::string message = link_message(address, verdict.why);
  write(line, Severity::error, format == ReportFormat::text ? visible(message, rule) : message,
        code, address, &verdict);
}

void Report::end_page(std::size_t unseen_errors, std::size_t unseen_warnings,
                      std::size_t unseen_ignored) {
  errors_ += unseen_errors;
  warnings_ += unseen_warnings;
  ignored += unseen_ignored;
  const std::size_t more = more_on_page + unseen_errors + unseen_warnings;
  if (more == 0) return;
  write(0, Severity::note,
        counted(more, "more problem") + " not shown (--max-problems " +
            std::to_string(max_problems) + ")");
}

// NAME:LINE: SEVERITY: MESSAGE [CODE], or without LINE for the page as a
// whole; the same as a JSON object, a workflow command or a SARIF result.
void Report::write(std::size_t line, Severity severity, std::string_view message,
                   std::optional<ProblemCode> code, std::string_view address,
                   const LinkVerdict* verdict) {
  if (summary_wanted && code) {
    if (rows.size() < most_summary_rows) {
      std::string where = page;
      if (line != 0) (where += ':') += std::to_string(line);
      rows.push_back({std::move(where), *code, std::string(message)});
    } else {
      ++rows_more;
    }
  }
  switch (format) {
    case ReportFormat::json:
      append_json_problem(waiting, {name, line, severity, message, code}, address, verdict);
      break;
    case ReportFormat::github:
      append_annotation(waiting, {name, line, severity, message, code}, rule);
      break;
    case ReportFormat::sarif:
      if (code)
        append_sarif_result(sarif_results, {page, line, severity, message, code});
      else
        append_sarif_note(sarif_notes, {page, line, severity, message, code});
      break;
    case ReportFormat::text:
      append_text_line(waiting, {name, line, severity, message, code});
      break;
  }
  if (waiting.size() >= report_buffer_bytes) flush();
}

void Report::finish(const ReportEnd& end, bool always) {
  summary = summary_line(errors_, warnings_, ignored, end);
  if (format == ReportFormat::sarif) {
    write_sarif(end);
  } else if (format == ReportFormat::json) {
    Json counts = {{"errors", errors_}, {"warnings", warnings_}, {"pages", end.pages}};
    counts["addresses"] = end.addresses.value_or(0);
    counts["pages_not_checked"] = end.pages_not_checked;
    if (!end.start.empty()) counts["start"] = end.start;
    counts["offline_not_checked"] = end.offline;
    counts["excluded"] = end.excluded;
    counts["pages_beyond_depth"] = end.beyond_depth;
    counts["ignored"] = ignored;
    counts["from_cache"] = end.from_cache;
    counts["stopped"] = end.stopped;
    waiting += json_line(counts);
  } else if (always || errors_ + warnings_ > 0) {
    if (format == ReportFormat::github)
      waiting += "::notice::" + github_text(summary, false, rule) + '\n';
    else
      waiting += visible(summary, rule) + '\n';
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

ProblemCode code_of(const LinkVerdict& verdict) {
  return verdict.outcome == LinkVerdict::Outcome::not_a_page ? ProblemCode::link_not_a_page
                                                             : ProblemCode::link_failed;
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  std::string words = std::to_string(count) + " ";
  if (count == 1) return words += one;
  if (many.empty()) return (words += one) += 's';
  return words += many;
}

std::string list_of_codes() {
  std::string list;
  for (const ProblemKind& kind : problem_kinds()) {
    std::string line(kind.name);
    line.resize(std::max(line.size() + 2, std::size_t{21}), ' ');
    line += kind.error ? "error    " : "warning  ";
    (line += kind.description) += '\n';
    list += line;
  }
  return list;
}
