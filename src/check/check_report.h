// Inside the check: what --check says of pages and of the links on them, in
// the form editors read, as JSON Lines or as workflow annotations; shared by
// the check of named pages and the check of a whole site.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

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

// The verdict on links to what a retrieval brought.
LinkVerdict verdict_of(const SideAnswer& answer);

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
};

// The report of a run, written a buffer at a time. Each page's problems come
// between begin_page and end_page in the order they are written; past
// `max_problems` of them (0 for no limit) they are only counted, and one
// line at the page's end says how many more there were.
class Report {
 public:
  enum class Severity { error, warning, note };

  Report(std::ostream& out, ReportFormat format, std::size_t max_problems, TextRule rule);
  ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // The rule that page text in messages is shown by: the output's own, or,
  // for JSON and annotations, which escape the text themselves, none.
  TextRule message_rule() const;

  void begin_page(std::string_view name);
  void problem(const PageProblem& problem);
  // The error at `line`, whose link to `address` fails as `verdict` says.
  void link_problem(std::size_t line, std::string_view address, const LinkVerdict& verdict);
  // `unseen_errors` and `unseen_warnings` were never handed over (a site's
  // check keeps only the first of a page's problems); they count too.
  void end_page(std::size_t unseen_errors = 0, std::size_t unseen_warnings = 0);

  // The summary: "2 errors and 1 warning in 3 pages" and what `end` adds.
  // `always` writes it even when nothing was wrong, as JSON and annotations do.
  void finish(const ReportEnd& end, bool always);
  void flush();
  // 0, or 1 when there is an error or, `strict`, a warning.
  int status(bool strict) const;

  std::size_t errors() const { return errors_; }
  std::size_t warnings() const { return warnings_; }

 private:
  void write(std::size_t line, Severity severity, std::string_view message,
             std::string_view address = {}, const LinkVerdict* verdict = nullptr);
  // Counts a problem; whether the page may still write one.
  bool count(bool error);

  std::ostream& out;
  ReportFormat format;
  std::size_t max_problems;
  TextRule rule;
  std::string name;  // the page's, as the report writes it
  std::string waiting;
  std::size_t written_on_page = 0;
  std::size_t more_on_page = 0;
  std::size_t errors_ = 0;
  std::size_t warnings_ = 0;
};

// What is said of a page, or a site, that does not fit in memory to be checked.
inline constexpr std::string_view page_too_big = "OUT OF MEMORY: the page is too big to check here";
inline constexpr std::string_view site_too_big = "OUT OF MEMORY: the site is too big to check here";

// "3 errors", "1 warning"; "2 addresses" when `many` says so.
std::string counted(std::size_t count, std::string_view one, std::string_view many = {});
