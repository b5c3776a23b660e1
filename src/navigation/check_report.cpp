// Report lines of --check, in the form editors jump to, and the verdict on a
// link, alike for named pages and for a whole site.
#include "navigation/check_report.h"

#include <array>
#include <charconv>

void ProblemLines::add(std::string_view shown_name, const PageProblem& problem) {
  text += shown_name;
  if (problem.line != 0) {
    std::array<char, 24> number{};
    number[0] = ':';
    char* end = std::to_chars(number.data() + 1, number.data() + number.size(), problem.line).ptr;
    text.append(number.data(), static_cast<std::size_t>(end - number.data()));
  }
  text += problem.error ? ": error: " : ": warning: ";
  text += problem.message;
  text += '\n';
  ++(problem.error ? errors : warnings);
}

// Lines gathered and written a buffer at a time, not a piece at a time:
// saves 0.1 s of 0.4 in checking the million-record page, which has a third
// of a million warnings.
constexpr std::size_t report_buffer_bytes = std::size_t{64} << 10;

void Report::say(std::string_view shown_name, const PageProblem& problem) {
  waiting.add(shown_name, problem);
  if (waiting.text.size() >= report_buffer_bytes) flush();
}

void Report::write_line(std::string_view line) {
  waiting.text += line;
  if (waiting.text.size() >= report_buffer_bytes) flush();
}

void Report::flush() {
  out << waiting.text << std::flush;
  errors += waiting.errors;
  warnings += waiting.warnings;
  waiting = {};
}

std::string Report::summary() const {
  return counted(errors, "error") + " and " + counted(warnings, "warning") + " in " +
         counted(pages, "page");
}

int Report::status(bool strict) const { return errors > 0 || (strict && warnings > 0) ? 1 : 0; }

std::vector<PageLink> check_body(const std::string& body, bool cut, TextRule rule,
                                 const ProblemSink& sink) {
  if (cut) sink({0, false, "page over 64 MiB: readers get only its first 64 MiB"});
  return check_page(body, rule, sink);
}

std::string why_link_fails(const SideAnswer& answer) {
  if (!answer.failure.empty()) return answer.failure;
  if (!holds_record(answer.body)) return "not a page: its first line holds no record";
  return {};
}

PageProblem link_problem(std::size_t line, const std::string& address, std::string_view why,
                         TextRule rule) {
  return {line, true, visible("link to " + address + ": " + std::string(why), rule)};
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  std::string words = std::to_string(count) + " ";
  if (count == 1) return words += one;
  if (many.empty()) return (words += one) += 's';
  return words += many;
}
