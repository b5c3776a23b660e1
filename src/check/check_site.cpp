// --check --site: a whole site crawled from one address, each page reached on
// it checked as --check checks a page, each address its links name retrieved once.
#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <limits>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "base/exit_status.h"
#include "base/messages.h"
#include "check/address_patterns.h"
#include "check/check.h"
#include "check/check_report.h"
#include "check/site_root.h"

namespace {

constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
constexpr int most_start_redirects = 5;

// An address the check retrieves: a page of the site, or a link to another.
struct SiteAddress {
  std::string address;             // as a server reads it: how it is retrieved and named
  std::size_t page = none;         // its place among the pages, when it is on the site
  std::optional<RootFile> file{};  // with --root, the file that serves it, when one does
  bool answered = false;
  bool linked = false;    // a checked page links to it
  LinkVerdict verdict{};  // once answered
};

// An address a page's links name, the lines that name it (as many as the
// report may show) and how many there are. The first line is kept apart, as
// most addresses are named once: 56 bytes and the text a link, against 150.
struct PageLinkTo {
  std::uint32_t text_at = 0;  // the canonical address, then the loaded one when it differs
  std::uint32_t canonical_size = 0;
  std::uint32_t loaded_size = 0;  // 0 when following the link loads the canonical address
  std::uint32_t first_line = 0;
  std::size_t address = none;  // once numbered; none for one left out
  std::size_t count = 0;       // of the lines that name it
  std::vector<std::uint32_t> more_lines{};
};

// What is kept of a page's own problems until it is reported: the first ones,
// as many as the report may show, and how many more there were.
struct KeptProblems {
  std::vector<PageProblem> first;
  std::size_t more_errors = 0;
  std::size_t more_warnings = 0;
};

// A page of the site, checked as soon as it comes and kept only as its report
// needs. Its links are numbered after those of the pages before it, so that
// every run reaches the pages in one order, however the retrievals end.
struct SitePage {
  enum class State { waiting, retrieving, checked, no_page, left_out };
  std::size_t address = 0;
  State state = State::waiting;
  bool numbered = false;
  KeptProblems problems;
  std::vector<PageLinkTo> links;   // in the order of their first line
  std::string link_text;           // the addresses they name
  std::size_t links_answered = 0;  // of `links`, from the first
  std::size_t depth = 0;           // links from the start
};

struct Crawl {
  const CheckOptions& options;
  TextRule message_rule;
  std::string site{};
  std::optional<SiteRoot> root{};  // with --root, the folder read instead of the network
  AddressPatterns excluded_by{};
  std::deque<SiteAddress> addresses{};                            // in the order reached
  std::unordered_map<std::string_view, std::size_t> number_of{};  // views into `addresses`
  std::deque<SitePage> pages{};  // the start first, then the site's addresses in the order reached
  std::deque<std::size_t> waiting_pages{};  // pages not yet retrieved, in order
  std::deque<std::size_t> waiting_links{};  // other sites' addresses, in order
  std::size_t pages_checked = 0;
  std::size_t pages_retrieving = 0;
  // Addresses on the site beyond --max-pages, only counted: a hash each.
  std::unordered_set<std::size_t> left_out{};
  std::size_t left_out_unnumbered = 0;  // of them, those never numbered
  // Addresses --offline leaves unread, and those --exclude leaves out: a hash each.
  std::unordered_set<std::size_t> offline{};
  std::unordered_set<std::size_t> excluded{};
  // Addresses on the site beyond --max-depth, retrieved as links only: a hash each.
  std::unordered_set<std::size_t> beyond_depth{};
  // With --root, the number of the address whose file each file is, so that
  // a file reached by two addresses is one page.
  std::unordered_map<std::string, std::size_t> page_of_file{};
  std::size_t next_numbered = 0;  // the next page whose links are numbered
  std::size_t next_reported = 0;
  std::size_t answered = 0;
  int start_redirects = 0;
  bool stopped = false;
  std::string start_failure{};
  std::vector<std::size_t> too_big{};  // pages that did not fit in memory
};

bool cap_reached(const Crawl& crawl) { return crawl.pages_checked == crawl.options.max_pages; }

// An address on the site no longer needed, which is only counted; false
// when it was counted before.
bool leave_out(Crawl& crawl, std::string_view address) {
  return crawl.left_out.insert(std::hash<std::string_view>{}(address)).second;
}

void leave_out_waiting_pages(Crawl& crawl) {
  for (const std::size_t waiting : crawl.waiting_pages) {
    SitePage& page = crawl.pages[waiting];
    page.state = SitePage::State::left_out;
    leave_out(crawl, crawl.addresses[page.address].address);
  }
  crawl.waiting_pages.clear();
}

std::size_t add_address(Crawl& crawl, std::string address) {
  const std::size_t number = crawl.addresses.size();
  crawl.addresses.emplace_back().address = std::move(address);
  crawl.number_of.emplace(crawl.addresses.back().address, number);
  return number;
}

void add_page(Crawl& crawl, std::size_t number, std::size_t depth) {
  crawl.addresses[number].page = crawl.pages.size();
  crawl.waiting_pages.push_back(crawl.pages.size());
  SitePage& page = crawl.pages.emplace_back();
  page.address = number;
  page.depth = depth;
}

std::size_t add_link(Crawl& crawl, std::string address) {
  const std::size_t number = add_address(crawl, std::move(address));
  crawl.waiting_links.push_back(number);
  return number;
}

void count_in(std::unordered_set<std::size_t>& counted, std::string_view address) {
  counted.insert(std::hash<std::string_view>{}(address));
}

// The number of an address a link names from a page `depth` links from the
// start, given when it is first reached. None when it is left out: by
// --exclude, by --offline when only the network has it, or, on the site, by
// --max-pages. An address on the site beyond --max-depth is a link only.
std::size_t reach(Crawl& crawl, std::string canonical, std::size_t depth) {
  if (const auto known = crawl.number_of.find(canonical); known != crawl.number_of.end()) {
    crawl.addresses[known->second].linked = true;
    return known->second;
  }
  if (crawl.excluded_by.match(canonical)) {
    count_in(crawl.excluded, canonical);
    return none;
  }
  std::optional<RootFile> file = crawl.root ? file_for(*crawl.root, canonical) : std::nullopt;
  if (!file && crawl.options.offline) {
    count_in(crawl.offline, canonical);
    return none;
  }
  const std::string file_name = file ? file_identity(*crawl.root, *file) : std::string();
  if (const auto same = crawl.page_of_file.find(file_name);
      file && same != crawl.page_of_file.end()) {
    crawl.addresses[same->second].linked = true;
    return same->second;
  }
  const bool on_site = file || site_of(canonical) == crawl.site;
  const bool too_deep = depth > crawl.options.max_depth.value_or(depth);
  if (on_site && too_deep) count_in(crawl.beyond_depth, canonical);
  std::size_t number = none;
  if (!on_site || too_deep) {
    number = add_link(crawl, std::move(canonical));
  } else if (cap_reached(crawl)) {
    if (leave_out(crawl, canonical)) ++crawl.left_out_unnumbered;
    return none;
  } else {
    number = add_address(crawl, std::move(canonical));
    add_page(crawl, number, depth);
  }
  if (file) crawl.page_of_file.emplace(file_name, number);
  crawl.addresses[number].file = std::move(file);
  crawl.addresses[number].linked = true;
  return number;
}

// Pages first, while fewer are checked or coming than --max-pages allows: an
// address that brings no page leaves its place to the next.
std::optional<Wanted> next_wanted(Crawl& crawl) {
  if (!crawl.waiting_pages.empty() &&
      crawl.pages_checked + crawl.pages_retrieving < crawl.options.max_pages) {
    SitePage& page = crawl.pages[crawl.waiting_pages.front()];
    crawl.waiting_pages.pop_front();
    page.state = SitePage::State::retrieving;
    ++crawl.pages_retrieving;
    return Wanted{crawl.addresses[page.address].address, page.address, true};
  }
  if (crawl.waiting_links.empty()) return std::nullopt;
  const std::size_t number = crawl.waiting_links.front();
  crawl.waiting_links.pop_front();
  return Wanted{crawl.addresses[number].address, number, false};
}

std::string_view canonical_of(const SitePage& page, const PageLinkTo& link) {
  return std::string_view(page.link_text).substr(link.text_at, link.canonical_size);
}

// The address following the link loads, which the report names.
std::string_view loaded_of(const SitePage& page, const PageLinkTo& link) {
  return link.loaded_size == 0 ? canonical_of(page, link)
                               : std::string_view(page.link_text)
                                     .substr(link.text_at + link.canonical_size, link.loaded_size);
}

void add_text(std::string& text, std::string_view added, std::uint32_t& size) {
  text += added;
  size = static_cast<std::uint32_t>(added.size());
}

// A link found on a page: its address as following it loads it and as a
// server reads it, each distinct one kept once with the lines that name it.
void note_link(std::unordered_map<std::string, std::size_t>& index_of, SitePage& page,
               std::size_t line, std::string_view target, std::size_t most_lines) {
  std::string loaded = normalize_url(target).address;
  std::string canonical = canonical_address(loaded);
  if (canonical.empty()) canonical = loaded;
  const auto [known, added] = index_of.emplace(canonical, page.links.size());
  if (added) {
    PageLinkTo& link = page.links.emplace_back();
    link.text_at = static_cast<std::uint32_t>(page.link_text.size());
    link.first_line = static_cast<std::uint32_t>(line);
    add_text(page.link_text, canonical, link.canonical_size);
    if (loaded != canonical) add_text(page.link_text, loaded, link.loaded_size);
  } else if (PageLinkTo& link = page.links[known->second];
             most_lines == 0 || link.more_lines.size() + 1 < most_lines) {
    link.more_lines.push_back(static_cast<std::uint32_t>(line));
  }
  ++page.links[known->second].count;
}

void keep(KeptProblems& kept, const PageProblem& problem, std::size_t most) {
  if (most == 0 || kept.first.size() < most)
    kept.first.push_back(problem);
  else
    ++(problem.error ? kept.more_errors : kept.more_warnings);
}

// Checks a page that came, keeping what its report needs: `first_problem`,
// when it is not empty, is an error of the whole page said first.
void check_arrived(Crawl& crawl, SitePage& page, const SideAnswer& answer,
                   std::string_view first_problem) {
  const std::size_t most = crawl.options.max_problems;
  std::unordered_map<std::string, std::size_t> index_of;
  const PageCheckSink sink{
      [&](const PageProblem& problem) { keep(page.problems, problem, most); },
      [&](std::size_t line, std::string_view target) {
        note_link(index_of, page, line, target, most);
      },
  };
  if (!first_problem.empty()) keep(page.problems, {0, true, std::string(first_problem)}, most);
  if (answer.stop == TransferStop::cut)
    keep(page.problems, {0, false, message::page_over_cap()}, most);
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
  if (answer.failure.empty()) {
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

// A retrieval's answer: the verdict on links to it, and a page checked.
void take_answer(Crawl& crawl, std::size_t number, const SideAnswer& answer) {
  SiteAddress& reached = crawl.addresses[number];
  reached.answered = true;
  ++crawl.answered;
  reached.verdict = verdict_of(answer);
  if (reached.page == none) return;
  SitePage& page = crawl.pages[reached.page];
  --crawl.pages_retrieving;
  if (reached.page == 0)
    take_start(crawl, page, answer);
  else if (reached.verdict.why.empty())
    check_if_it_fits(crawl, page, answer);
  else
    page.state = SitePage::State::no_page;
  if (cap_reached(crawl)) leave_out_waiting_pages(crawl);
}

bool ended(const SitePage& page) {
  return page.state != SitePage::State::waiting && page.state != SitePage::State::retrieving;
}

// Whether a link to an address numbered `number` can still fail.
bool may_fail(const Crawl& crawl, std::size_t number) {
  if (number == none) return false;
  const SiteAddress& target = crawl.addresses[number];
  return !target.answered || !target.verdict.why.empty();
}

// Numbers the addresses of a page's links, and keeps only the links that can
// still fail, with the text that names them.
void number_links_of(Crawl& crawl, SitePage& page) {
  std::vector<PageLinkTo> kept;
  std::string text;
  for (PageLinkTo& link : page.links) {
    link.address = reach(crawl, std::string(canonical_of(page, link)), page.depth + 1);
    if (!may_fail(crawl, link.address)) continue;
    const std::string_view loaded = loaded_of(page, link);
    link.text_at = static_cast<std::uint32_t>(text.size());
    add_text(text, loaded, link.canonical_size);
    link.loaded_size = 0;
    kept.push_back(std::move(link));
  }
  page.links = std::move(kept);
  page.link_text = std::move(text);
  page.numbered = true;
}

// Whether the site's addresses that a page's links name may be needed as
// pages: not once the pages checked, coming and waiting are enough for
// --max-pages. Numbering waits till then, so that no address waits as a page
// that would be left out: those beyond are left out as they are reached.
bool may_number(const Crawl& crawl) {
  return crawl.stopped || cap_reached(crawl) ||
         crawl.pages_checked + crawl.pages_retrieving + crawl.waiting_pages.size() <
             crawl.options.max_pages;
}

void number_links(Crawl& crawl) {
  while (crawl.next_numbered < crawl.pages.size()) {
    SitePage& page = crawl.pages[crawl.next_numbered];
    if (!ended(page) && !crawl.stopped) return;
    if (!page.links.empty() && !may_number(crawl)) return;
    number_links_of(crawl, page);
    ++crawl.next_numbered;
  }
}

// Whether the verdict on a link is in: its address was retrieved, or will
// never be, being beyond --max-pages.
bool verdict_is_in(const Crawl& crawl, const PageLinkTo& link) {
  if (link.address == none) return true;
  const SiteAddress& target = crawl.addresses[link.address];
  return target.answered ||
         (target.page != none && crawl.pages[target.page].state == SitePage::State::left_out);
}

bool links_answered(const Crawl& crawl, SitePage& page) {
  while (page.links_answered < page.links.size() &&
         verdict_is_in(crawl, page.links[page.links_answered]))
    ++page.links_answered;
  return page.links_answered == page.links.size();
}

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
  for (const PageLinkTo& link : page.links) {
    if (link.address == none) continue;
    const SiteAddress& target = crawl.addresses[link.address];
    if (!target.answered || target.verdict.why.empty()) continue;
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
  report.end_page(unseen_errors, page.problems.more_warnings);
}

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

// How far the check has come, on standard error at a terminal; at most ten
// times a second, which is as often as it can be read.
struct Progress {
  Console& console;
  std::chrono::steady_clock::time_point shown{};

  void show(const Crawl& crawl) {
    const auto now = std::chrono::steady_clock::now();
    if (now - shown < std::chrono::milliseconds(100)) return;
    shown = now;
    show_status(console, message::checking_site(crawl.pages_checked,
                                                crawl.waiting_pages.size() + crawl.pages_retrieving,
                                                crawl.answered - crawl.pages_checked));
  }
};

std::size_t addresses_linked(const Crawl& crawl) {
  return crawl.left_out_unnumbered + crawl.offline.size() + crawl.excluded.size() +
         static_cast<std::size_t>(std::count_if(crawl.addresses.begin(), crawl.addresses.end(),
                                                [](const SiteAddress& a) { return a.linked; }));
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
  end.max_depth = crawl.options.max_depth.value_or(0);
  return end;
}

// The crawl, and its report. Returns the exit status.
int crawl_site(const CheckOptions& options, Console& console) {
  const RunMode& mode = console.mode;
  std::ostream& out = console.out;
  Report report(out, options.format, options.max_problems, mode.output_rule);
  Crawl crawl{options, report.message_rule()};
  const std::string& start = options.names.front();
  crawl.site = site_of(start);
  std::string canonical = canonical_address(start);
  if (canonical.empty()) canonical = start;
  if (!options.root.empty()) {
    std::string why;
    crawl.root = site_root(canonical, options.root, why);
    if (!crawl.root) {
      say_failure(console, options.root, why);
      return exit_status::unreadable;
    }
  }
  for (const std::string& pattern : options.exclude) crawl.excluded_by.add(pattern);
  const std::size_t first = add_address(crawl, canonical);
  if (crawl.root) crawl.addresses[first].file = file_for(*crawl.root, canonical);
  if (const auto& file = crawl.addresses[first].file)
    crawl.page_of_file.emplace(file_identity(*crawl.root, *file), first);
  add_page(crawl, first, 0);
  Progress progress{console};
  const auto before_writing = [&] {
    if (!mode.dumb) clear_status(console);  // a dumb terminal's one status line stays
  };
  const auto take_and_report = [&](std::size_t number, const SideAnswer& answer) {
    take_answer(crawl, number, answer);
    number_links(crawl);
    report_ready(crawl, report, before_writing);
    if (mode.progress_on_error) progress.show(crawl);
  };
  bool stop_asked = false;
  const auto asked_to_stop = [&] { return stop_asked || !out || take_ctrl_c(console); };
  // Files of the root are read here and now; only the network's addresses
  // go to the retrieval side by side.
  const auto next_from_network = [&]() -> std::optional<Wanted> {
    for (std::optional<Wanted> wanted = next_wanted(crawl); wanted; wanted = next_wanted(crawl)) {
      const std::optional<RootFile>& file = crawl.addresses[wanted->id].file;
      if (!file) return wanted;
      take_and_report(wanted->id, read_root_file(*crawl.root, *file));
      if ((stop_asked = asked_to_stop())) break;
    }
    return std::nullopt;
  };
  crawl.stopped =
      !retrieve_side_by_side({next_from_network, take_and_report, asked_to_stop}) || stop_asked;
  if (crawl.stopped) next_ctrl_c_ends_run(console);
  before_writing();
  if (!crawl.start_failure.empty()) {
    say_failure(console, start, crawl.start_failure);
    return exit_status::unreadable;
  }
  if (crawl.stopped) {
    number_links(crawl);
    report_ready(crawl, report, before_writing);
  }
  report.finish(end_of_report(crawl), true);
  for (const std::size_t number : crawl.too_big)
    say_failure(console, crawl.addresses[number].address, page_too_big);
  if (crawl.stopped && out) {
    say_on_error(console, message::stopped_by_ctrl_c(crawl.addresses.size() - crawl.answered,
                                                     crawl.addresses.size()));
    return exit_status::failed;
  }
  return crawl.too_big.empty() ? report.status(options.strict) : exit_status::unreadable;
}

}  // namespace

int check_site(const CheckOptions& options, Console& console) {
  CheckOptions normalized = options;
  normalized.names.front() = normalize_url(options.names.front()).address;
  try {
    return crawl_site(normalized, console);
  } catch (const std::bad_alloc&) {  // what the crawl holds of its addresses
    say_failure(console, normalized.names.front(), site_too_big);
    return exit_status::unreadable;
  }
}
