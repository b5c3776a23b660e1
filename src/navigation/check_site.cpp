// --check --site: a whole site crawled from one address, each page reached on
// it checked as --check checks a page, each address its links name retrieved once.
#include <algorithm>
#include <chrono>
#include <deque>
#include <limits>
#include <new>
#include <unordered_map>

#include "navigation/check_report.h"
#include "navigation/page_tools.h"

namespace {

constexpr std::size_t not_a_page = std::numeric_limits<std::size_t>::max();

// An address the check retrieves: the start, or one that a link names.
struct SiteAddress {
  std::string address;
  std::size_t page = not_a_page;  // its place among the pages, when it is read as one
  bool answered = false;
  std::string why_failed;  // why a link to it fails; empty when it leads to a page
};

// A page of the site. It is checked as soon as it comes, and then dropped;
// its problems wait until the pages before it are reported. Its links are
// numbered only once the pages before it have numbered theirs: so the order
// in which pages are reached is the same in every run, however the
// retrievals side by side happen to end.
struct SitePage {
  std::size_t address = 0;
  bool ended = false;     // its retrieval ended
  bool checked = false;   // it came, and was checked
  bool numbered = false;  // its links' addresses are numbered
  ProblemLines problems;  // its own, as report lines in the order found
  std::vector<std::pair<std::size_t, std::size_t>> problem_at;  // line, where in problems.text
  std::vector<std::pair<std::size_t, std::string>> found;       // line, address; until numbered
  std::vector<std::pair<std::size_t, std::size_t>> links;       // line, address number
  std::size_t links_answered = 0;                               // of `links`, from the first
};

struct Crawl {
  const CheckOptions& options;
  const RunMode& mode;
  std::string site{};
  std::deque<SiteAddress> addresses{};  // in the order reached; the start first
  std::unordered_map<std::string_view, std::size_t> number_of{};  // views into `addresses`
  std::deque<SitePage> pages{};                                   // in the order reached
  std::size_t next_wanted = 0;                                    // the next address to retrieve
  std::size_t next_numbered = 0;  // the next page whose links are numbered
  std::size_t next_reported = 0;
  std::size_t pages_ended = 0;
  std::size_t answered = 0;
  bool start_linked = false;
  bool over_max = false;  // a page was left unread for --max-pages
  bool stopped = false;
  std::string start_failure{};
  std::vector<std::size_t> too_big{};  // pages that did not fit in memory
};

// The number of an address, given when it is first reached. One on the site
// is read as a page while --max-pages allows; others only as a link target.
std::size_t reach(Crawl& crawl, std::string address) {
  if (const auto known = crawl.number_of.find(address); known != crawl.number_of.end()) {
    crawl.start_linked = crawl.start_linked || known->second == 0;
    return known->second;
  }
  const std::size_t number = crawl.addresses.size();
  SiteAddress& reached = crawl.addresses.emplace_back();
  reached.address = std::move(address);
  crawl.number_of.emplace(reached.address, number);
  if (number == 0 || (!crawl.site.empty() && site_of(reached.address) == crawl.site)) {
    if (crawl.pages.size() < crawl.options.max_pages) {
      reached.page = crawl.pages.size();
      crawl.pages.emplace_back().address = number;
    } else {
      crawl.over_max = true;
    }
  }
  return number;
}

std::optional<Wanted> next_wanted(Crawl& crawl) {
  if (crawl.next_wanted == crawl.addresses.size()) return std::nullopt;
  const SiteAddress& wanted = crawl.addresses[crawl.next_wanted];
  return Wanted{wanted.address, crawl.next_wanted++, wanted.page != not_a_page};
}

void check_reached(const Crawl& crawl, SitePage& page, const SideAnswer& answer) {
  const TextRule rule = crawl.mode.output_rule;
  const std::string shown = visible(crawl.addresses[page.address].address, rule);
  const ProblemSink sink = [&](const PageProblem& problem) {
    page.problem_at.emplace_back(problem.line, page.problems.text.size());
    page.problems.add(shown, problem);
  };
  for (const PageLink& link : check_body(answer.body, answer.stop == TransferStop::cut, rule, sink))
    page.found.emplace_back(link.line, normalize_url(link.target).address);
  page.checked = true;
}

// A page too big to check here is said, as --check says it, and the rest
// of the site still checked.
void check_if_it_fits(Crawl& crawl, SitePage& page, const SideAnswer& answer) {
  try {
    check_reached(crawl, page, answer);
  } catch (const std::bad_alloc&) {
    page.problems = {};
    page.problem_at = {};
    page.found = {};
    page.checked = false;
    crawl.too_big.push_back(page.address);
  }
}

// A retrieval's answer: the verdict on links to it, and a page checked. A
// start that brings nothing is said as a name --check cannot read; a page
// linked to that is none is said at the links to it.
void take_answer(Crawl& crawl, std::size_t number, const SideAnswer& answer) {
  SiteAddress& reached = crawl.addresses[number];
  reached.answered = true;
  ++crawl.answered;
  reached.why_failed = why_link_fails(answer);
  if (reached.page == not_a_page) return;
  SitePage& page = crawl.pages[reached.page];
  page.ended = true;
  ++crawl.pages_ended;
  if (number == 0 && !answer.failure.empty())
    crawl.start_failure = answer.failure;
  else if (number == 0 || reached.why_failed.empty())
    check_if_it_fits(crawl, page, answer);
}

void number_links(Crawl& crawl) {
  while (crawl.next_numbered < crawl.pages.size()) {
    SitePage& page = crawl.pages[crawl.next_numbered];
    if (!page.ended && !crawl.stopped) return;
    for (auto& [line, address] : page.found)
      page.links.emplace_back(line, reach(crawl, std::move(address)));
    page.found = {};
    page.numbered = true;
    ++crawl.next_numbered;
  }
}

bool links_answered(const Crawl& crawl, SitePage& page) {
  while (page.links_answered < page.links.size() &&
         crawl.addresses[page.links[page.links_answered].second].answered)
    ++page.links_answered;
  return page.links_answered == page.links.size();
}

// A page's problems and its links that fail, in line order, those of the
// whole page first. Its own wait as report lines, one string with where each
// begins, and those of its links are made as they are written: a page with
// six million problems peaks at 671 MiB, against 1042 MiB kept as
// PageProblems, and is reported in 4.4 s instead of 15.6.
void report_page(const Crawl& crawl, SitePage& page, Report& report,
                 const std::function<void()>& before_writing) {
  const TextRule rule = crawl.mode.output_rule;
  const std::string shown = visible(crawl.addresses[page.address].address, rule);
  std::stable_sort(page.problem_at.begin(), page.problem_at.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  const std::string_view own = page.problems.text;
  if (!own.empty()) before_writing();
  auto next_own = page.problem_at.begin();
  const auto write_own_up_to = [&](std::size_t last_line) {
    for (; next_own != page.problem_at.end() && next_own->first <= last_line; ++next_own) {
      const std::size_t start = next_own->second;
      report.write_line(own.substr(start, own.find('\n', start) + 1 - start));
    }
  };
  for (const auto& [line, number] : page.links) {
    const SiteAddress& target = crawl.addresses[number];
    if (!target.answered || target.why_failed.empty()) continue;
    write_own_up_to(line);
    before_writing();
    report.say(shown, link_problem(line, target.address, target.why_failed, rule));
  }
  write_own_up_to(std::numeric_limits<std::size_t>::max());
  report.errors += page.problems.errors;
  report.warnings += page.problems.warnings;
  report.flush();
  ++report.pages;
}

// Reports the pages whose links are all answered, in the order reached, and
// drops what was kept of them. Once stopped, every page checked is reported.
void report_ready(Crawl& crawl, Report& report, const std::function<void()>& before_writing) {
  while (crawl.next_reported < crawl.pages.size()) {
    SitePage& page = crawl.pages[crawl.next_reported];
    if (!crawl.stopped && !(page.numbered && links_answered(crawl, page))) return;
    if (page.checked) report_page(crawl, page, report, before_writing);
    page = {};
    ++crawl.next_reported;
  }
}

// How far the check has come, on standard error at a terminal; at most ten
// times a second, which is as often as it can be read.
struct Progress {
  std::ostream& err;
  std::chrono::steady_clock::time_point shown{};

  void show(const Crawl& crawl) {
    const auto now = std::chrono::steady_clock::now();
    if (now - shown < std::chrono::milliseconds(100)) return;
    shown = now;
    const std::size_t links = crawl.answered - (crawl.addresses.front().answered ? 1 : 0);
    show_status("CHECKING SITE: " + counted(crawl.pages_ended, "PAGE", "PAGES") + " CHECKED, " +
                    std::to_string(crawl.pages.size() - crawl.pages_ended) + " WAITING, " +
                    counted(links, "LINK", "LINKS") + " CHECKED, CTRL-C STOPS",
                err);
  }
};

std::size_t addresses_linked(const Crawl& crawl) {
  return crawl.addresses.size() - 1 + (crawl.start_linked ? 1 : 0);
}

// The end of the report: what was left unread, then the summary line.
void report_end(const Crawl& crawl, Report& report) {
  if (crawl.over_max) {
    const std::size_t most = crawl.options.max_pages;
    report.say(visible(crawl.addresses.front().address, crawl.mode.output_rule),
               {0, false,
                "more than " + counted(most, "page") + " on the site (--max-pages " +
                    std::to_string(most) +
                    "): links to the others were retrieved, the pages not checked"});
  }
  report.flush();
  report.out << report.summary() << ", linking to "
             << counted(addresses_linked(crawl), "address", "addresses") << '\n'
             << std::flush;
}

// The crawl, and its report. Returns the exit status.
int crawl_site(const CheckOptions& options, const RunMode& mode, std::ostream& out,
               std::ostream& err) {
  Crawl crawl{options, mode};
  const std::string& start = options.names.front();
  crawl.site = site_of(start);
  reach(crawl, start);
  Report report{out};
  Progress progress{err};
  const auto before_writing = [&] {
    if (mode.progress_on_error && !mode.dumb) clear_status(err);
  };
  crawl.stopped = !retrieve_side_by_side({
      [&] { return next_wanted(crawl); },
      [&](std::size_t number, const SideAnswer& answer) {
        take_answer(crawl, number, answer);
        number_links(crawl);
        report_ready(crawl, report, before_writing);
        if (mode.progress_on_error) progress.show(crawl);
      },
      [&] { return !out || take_ctrl_c(); },
  });
  before_writing();
  if (!crawl.start_failure.empty()) {
    say_failure(start, crawl.start_failure, mode, err);
    return 2;
  }
  if (crawl.stopped) {
    number_links(crawl);
    report_ready(crawl, report, before_writing);
  }
  report_end(crawl, report);
  for (const std::size_t number : crawl.too_big)
    say_failure(crawl.addresses[number].address, page_too_big, mode, err);
  if (crawl.stopped && out) {
    say_on_error("stopped by Ctrl-C: " + std::to_string(crawl.addresses.size() - crawl.answered) +
                     " of " + std::to_string(crawl.addresses.size()) + " addresses not retrieved",
                 mode, err);
    return 1;
  }
  return crawl.too_big.empty() ? report.status(options.strict) : 2;
}

}  // namespace

int check_site(const CheckOptions& options, const RunMode& mode, std::ostream& out,
               std::ostream& err) {
  const ConsoleRun console(mode);
  CheckOptions normalized = options;
  normalized.names.front() = normalize_url(options.names.front()).address;
  try {
    return crawl_site(normalized, mode, out, err);
  } catch (const std::bad_alloc&) {  // what the crawl holds of its addresses
    say_failure(normalized.names.front(), "OUT OF MEMORY: the site is too big to check here", mode,
                err);
    return 2;
  }
}
