// Inside the check: what --check says of pages and of the links on them, in
// the form editors read, as JSON Lines or as workflow annotations; shared by
// the check of named pages and the check of a whole site.
#pragma once

#include <bitset>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/shown_text.h"
#include "check/check.h"
#include "page/page.h"
#include "web/web.h"

// Why links to an address fail; `why` is empty when they lead to a page.
struct LinkVerdict {
  enum class Outcome { good, not_retrieved, status, not_a_page };
  Outcome outcome = Outcome::good;
  std::string why;  // the retrieval's failure, or that its first line holds no record
  long status = 0;  // the HTTP status, when a status outside 2xx is why
  bool good() const { return outcome == Outcome::good; }
};

// How links to other sites are retrieved, as the options ask.
inline Politeness politeness_of(const CheckOptions& options) {
  Politeness polite;
  polite.host_concurrency = options.host_concurrency;
  polite.retries = options.retries;
  return polite;
}

// The verdict on links to what a retrieval brought.
LinkVerdict verdict_of(const SideAnswer& answer);
// The kind of problem a link with this verdict is.
ProblemCode code_of(const LinkVerdict& verdict);

// What a report ends with.
struct ReportEnd {
  std::size_t pages = 0;
  std::optional<std::size_t> addresses;  // linked to; a site's check says it
  std::size_t pages_not_checked = 0;     // on the site, beyond --max-pages
  std::size_t max_pages = 0;
  std::string start;             // where a site's check started, when a redirect moved it
  bool stopped = false;          // by Ctrl-C
  std::size_t offline = 0;       // addresses --offline left unread
  std::size_t excluded = 0;      // addresses --exclude left out
  std::size_t beyond_depth = 0;  // the site's addresses --max-depth left unread as pages
  std::size_t max_depth = 0;
  std::size_t from_cache = 0;  // verdicts on links that --cache held
};

// One problem as the step summary's table shows it.
struct SummaryRow {
  std::string where;  // NAME:LINE, or NAME for the page as a whole
  ProblemCode code;
  std::string message;
};

// The report of a run, written a buffer at a time; a SARIF log is written
// whole at the end. Each page's problems come between begin_page and end_page
// in the order they are written; past `max_problems` of them (0 for no limit)
// they are only counted, and one note at the page's end says how many more
// there were. Kinds that --ignore names are only counted.
class Report {
 public:
  enum class Severity { error, warning, note };

  Report(std::ostream& out, const CheckOptions& options, TextRule rule);
  ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // The rule that page text in messages is shown by: the output's own, or,
  // for JSON, SARIF and annotations, which escape the text themselves, none.
  TextRule message_rule() const;
  bool ignores(ProblemCode code) const {
    return ignored_codes.test(static_cast<std::size_t>(code));
  }

  void begin_page(std::string_view name);
  void problem(const PageProblem& problem);
  // The error at `line`, whose link to `address` fails as `verdict` says.
  void link_problem(std::size_t line, std::string_view address, const LinkVerdict& verdict);
  // The unseen problems were never handed over (a site's check keeps only
  // the first of a page's problems); they count too.
  void end_page(std::size_t unseen_errors = 0, std::size_t unseen_warnings = 0,
                std::size_t unseen_ignored = 0);

  // The summary: "2 errors and 1 warning in 3 pages" and what `end` adds.
  // `always` writes it even when nothing was wrong, as JSON and annotations do.
  void finish(const ReportEnd& end, bool always);
  void flush();
  // 0, or 1 when there is an error or, `strict`, a warning.
  int status(bool strict) const;
  // With --format github, the Markdown summary of the run appended to
  // `path` (GitHub's GITHUB_STEP_SUMMARY); why it could not be, if it could not.
  std::optional<std::string> add_step_summary(const std::string& path) const;

  std::size_t errors() const { return errors_; }
  std::size_t warnings() const { return warnings_; }

 private:
  void write(std::size_t line, Severity severity, std::string_view message,
             std::optional<ProblemCode> code = std::nullopt, std::string_view address = {},
             const LinkVerdict* verdict = nullptr);
  void write_sarif(const ReportEnd& end);  // sarif_log.cpp
  // Counts a problem; whether the page may still write one.
  bool count(bool error);

  std::ostream& out;
  ReportFormat format;
  std::size_t max_problems;
  TextRule rule;
  std::bitset<problem_code_count> ignored_codes;
  bool summary_wanted;  // rows are kept for the step summary
  std::string page;     // the page's name as it was given
  std::string name;     // the page's name as the report writes it
  std::string waiting;
  std::size_t written_on_page = 0;
  std::size_t more_on_page = 0;
  std::size_t errors_ = 0;
  std::size_t warnings_ = 0;
  std::size_t ignored = 0;
  std::string summary;           // the summary line, once finished
  std::vector<SummaryRow> rows;  // the first of them, for the step summary
  std::size_t rows_more = 0;     // beyond those
  std::string sarif_results;     // each result's JSON, comma-separated
  std::string sarif_notes;       // the notes' JSON, comma-separated
};

// The Markdown that GitHub shows on a job's page: `summary`, then a table of
// the rows and "N more" for `more` beyond them, every cell's text shown as
// it is, by `rule`, whatever it holds.
std::string step_summary_markdown(std::string_view summary, const std::vector<SummaryRow>& rows,
                                  std::size_t more, TextRule rule);

// What is said of a page, or a site, that does not fit in memory to be checked.
inline constexpr std::string_view page_too_big = "OUT OF MEMORY: the page is too big to check here";
inline constexpr std::string_view site_too_big = "OUT OF MEMORY: the site is too big to check here";

// "3 errors", "1 warning"; "2 addresses" when `many` says so.
std::string counted(std::size_t count, std::string_view one, std::string_view many = {});
