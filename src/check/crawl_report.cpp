// The report of a site's crawl: each page's problems and failing links in
// line order, pages in the order reached, and the summary's counts.
#include <algorithm>
#include <limits>

#include "check/crawl.h"

namespace {

// How the report names a page: by its file when it is read from one.
const std::string& name_of(const SiteAddress& page) {
  return page.file ? page.file->shown : page.address;
}

// A page's problems and its links that fail, in the order of the report: its
// own kept in that order, and the links that fail merged in after the own
// problems of their line.
void report_page(const Crawl& crawl, const SitePage& page, Report& report) {
  std::vector<std::pair<std::uint32_t, const PageLinkTo*>> failing;
  std::size_t unseen_errors = page.problems.more_errors;
  std::size_t unseen_ignored = page.problems.ignored;
  for (const PageLinkTo& link : page.links) {
    if (link.address == unnumbered) continue;
    const SiteAddress& target = crawl.addresses[link.address];
    if (!target.answered || target.verdict.good()) continue;
    if (report.ignores(code_of(target.verdict))) {
      unseen_ignored += link.count;
      continue;
    }
    failing.emplace_back(link.first_line, &link);
    for (const std::uint32_t line : link.more_lines) failing.emplace_back(line, &link);
    unseen_errors += link.count - 1 - link.more_lines.size();
  }
  std::stable_sort(failing.begin(), failing.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  report.begin_page(name_of(crawl.addresses[page.address]));
  auto link = failing.begin();
  const auto links_up_to = [&](std::size_t last_line) {
    for (; link != failing.end() && link->first <= last_line; ++link)
      report.link_problem(link->first, loaded_of(page, *link->second),
                          crawl.addresses[link->second->address].verdict);
  };
  for (const PageProblem& problem : page.problems.first) {
    if (problem.line > 0) links_up_to(problem.line - 1);
    report.problem(problem);
  }
  links_up_to(std::numeric_limits<std::size_t>::max());
  report.end_page(unseen_errors, page.problems.more_warnings, unseen_ignored);
}

std::size_t addresses_linked(const Crawl& crawl) {
  return crawl.left_out_unnumbered + crawl.offline.size() + crawl.excluded.size() +
         static_cast<std::size_t>(std::count_if(crawl.addresses.begin(), crawl.addresses.end(),
                                                [](const SiteAddress& a) { return a.linked; }));
}

}  // namespace

// Reports the pages whose links are all answered, in the order reached, and
// drops what was kept of them. Once stopped, every page checked is reported.
void report_ready(Crawl& crawl, Report& report, const std::function<void()>& before_writing) {
  while (crawl.next_reported < crawl.pages.size()) {
    SitePage& page = crawl.pages[crawl.next_reported];
    if (!crawl.stopped && !(page.numbered && links_answered(crawl, page))) return;
    if (page.state == SitePage::State::checked) {
      before_writing();
      report_page(crawl, page, report);
      report.flush();
    }
    page.problems = {};
    page.links = {};
    page.link_text = {};
    ++crawl.next_reported;
  }
}

ReportEnd end_of_report(const Crawl& crawl) {
  ReportEnd end;
  end.pages = crawl.pages_checked;
  end.addresses = addresses_linked(crawl);
  end.pages_not_checked = crawl.left_out.size();
  end.max_pages = crawl.options.max_pages;
  if (crawl.start_redirects > 0) end.start = crawl.addresses[crawl.pages.front().address].address;
  end.stopped = crawl.stopped;
  end.offline = crawl.offline.size();
  end.excluded = crawl.excluded.size();
  end.beyond_depth = crawl.beyond_depth.size();
  end.from_cache = crawl.cache.used;
  end.max_depth = crawl.options.max_depth.value_or(0);
  return end;
}
