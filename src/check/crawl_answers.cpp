// The answers of a site's crawl: the verdict on links to each address, a page
// checked as soon as it comes and kept only as its report needs, and the start
// followed through redirects on its own site.
#include <new>

#include "base/messages.h"
#include "check/crawl.h"

namespace {

constexpr int most_start_redirects = 5;

void keep(KeptProblems& kept, const PageProblem& problem, const CheckOptions& options) {
  if (options.ignore.test(static_cast<std::size_t>(problem.code)))
    ++kept.ignored;
  else if (options.max_problems == 0 || kept.first.size() < options.max_problems)
    kept.first.push_back(problem);
  else
    ++(problem.error() ? kept.more_errors : kept.more_warnings);
}

// Checks a page that came, keeping what its report needs: `first_problem`,
// when it is not empty, is an error of the whole page said first.
void check_arrived(Crawl& crawl, SitePage& page, const SideAnswer& answer,
                   std::string_view first_problem) {
  const std::size_t most = crawl.options.max_problems;
  std::unordered_map<std::string, std::size_t> index_of;
  const PageCheckSink sink{
      [&](const PageProblem& problem) { keep(page.problems, problem, crawl.options); },
      [&](std::size_t line, std::string_view target) {
        note_link(index_of, page, line, target, most);
      },
  };
  if (!first_problem.empty())
    keep(page.problems, {0, ProblemCode::page_broke_off, std::string(first_problem)},
         crawl.options);
  if (answer.stop == TransferStop::cut)
    keep(page.problems, {0, ProblemCode::page_over_cap, message::page_over_cap()}, crawl.options);
  check_page(answer.body, crawl.message_rule, sink);
  page.state = SitePage::State::checked;
  ++crawl.pages_checked;
}

// A page too big to check here is said, as --check says it, and the rest
// of the site still checked; it takes no place among the pages.
void check_if_it_fits(Crawl& crawl, SitePage& page, const SideAnswer& answer,
                      std::string_view first_problem = {}) {
  try {
    check_arrived(crawl, page, answer, first_problem);
  } catch (const std::bad_alloc&) {
    page.problems = {};
    page.links = {};
    page.link_text = {};
    page.state = SitePage::State::no_page;
    crawl.too_big.push_back(page.address);
  }
}

bool is_redirect(const SideAnswer& answer) {
  return answer.status >= 300 && answer.status <= 399 && !answer.moved_to.empty();
}

// The start: followed through redirects on the site; checked whatever its
// first line when it came, as far as it came when it broke on the way; and
// said as a name --check cannot read when it brought nothing.
void take_start(Crawl& crawl, SitePage& start, const SideAnswer& answer) {
  const std::string moved_to = is_redirect(answer) ? canonical_address(answer.moved_to) : "";
  if (!moved_to.empty() && site_of(moved_to) == crawl.site &&
      crawl.start_redirects < most_start_redirects && !crawl.number_of.contains(moved_to)) {
    ++crawl.start_redirects;
    start.address = add_address(crawl, moved_to);
    crawl.addresses[start.address].page = 0;
    start.state = SitePage::State::waiting;
    crawl.waiting_pages.push_front(0);
    return;
  }
  if (link_came(answer.stop, answer.status)) {
    check_if_it_fits(crawl, start, answer);
  } else if (success_status(answer.status) && holds_record(answer.body)) {
    check_if_it_fits(crawl, start, answer,
                     "the page broke off on its way (" +
                         visible(answer.failure, crawl.message_rule) +
                         "): it is checked as far as it came");
  } else {
    crawl.start_failure = answer.failure;
  }
}

}  // namespace

void take_verdict(Crawl& crawl, std::size_t number, const LinkVerdict& verdict) {
  SiteAddress& reached = crawl.addresses[number];
  reached.answered = true;
  ++crawl.answered;
  reached.verdict = verdict;
}

// A retrieval's answer: the verdict on links to it, kept in the cache when
// it is on another site, and a page checked.
void take_answer(Crawl& crawl, std::size_t number, const SideAnswer& answer) {
  take_verdict(crawl, number, verdict_of(answer));
  const SiteAddress& reached = crawl.addresses[number];
  if (!crawl.cache.path.empty() && reached.page == unnumbered &&
      site_of(reached.address) != crawl.site)
    remember(crawl.cache, reached.address, reached.verdict);
  if (reached.page == unnumbered) return;
  SitePage& page = crawl.pages[reached.page];
  --crawl.pages_retrieving;
  if (reached.page == 0)
    take_start(crawl, page, answer);
  else if (reached.verdict.good())
    check_if_it_fits(crawl, page, answer);
  else
    page.state = SitePage::State::no_page;
  if (cap_reached(crawl)) leave_out_waiting_pages(crawl);
}
