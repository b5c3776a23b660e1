// Inside the check: one line of a report as each format writes it, for the
// report to gather; SARIF's results are gathered the same way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "check/check_report.h"

// A severity as reports, annotations and SARIF levels name it.
std::string_view severity_name(Report::Severity severity);

// One line of a report, as each format writes it.
struct ReportLine {
  std::string_view name;  // the page's, as the format writes it, or as given for SARIF
  std::size_t line;       // 0 for the page as a whole
  Report::Severity severity;
  std::string_view message;
  std::optional<ProblemCode> code;  // none for a note
};

// A SARIF result for a problem, and a notification for a note, appended
// after a comma when `json` holds one already.
void append_sarif_result(std::string& json, const ReportLine& line);
void append_sarif_note(std::string& json, const ReportLine& line);

// A JSON string of text, in ASCII: invalid UTF-8 replaced, every control
// byte and every other character escaped, so that no byte of a page reaches
// a terminal.
void append_json_string(std::string& json, std::string_view text);

// A workflow command's message, or with `property` one of its properties,
// escaped as GitHub reads them.
std::string github_text(std::string_view text, bool property, TextRule rule);

// NAME:LINE: SEVERITY: MESSAGE [CODE]
void append_text_line(std::string& text, const ReportLine& line);
// The same as one JSON object on a line, with a failing link's address and
// its status or failure.
void append_json_problem(std::string& json, const ReportLine& line, std::string_view address,
                         const LinkVerdict* verdict);
// ::SEVERITY file=NAME,line=LINE::MESSAGE [CODE]
void append_annotation(std::string& text, const ReportLine& line, TextRule rule);
