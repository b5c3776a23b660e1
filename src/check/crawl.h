// Inside the check: a site's crawl, its addresses and pages in the order
// reached, shared by its order, the answers of its retrievals and its report.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "check/address_patterns.h"
#include "check/check.h"
#include "check/check_report.h"
#include "check/link_cache.h"
#include "check/site_root.h"
#include "web/web.h"

inline constexpr std::size_t unnumbered = std::numeric_limits<std::size_t>::max();

// An address the check retrieves: a page of the site, or a link to another.
struct SiteAddress {
  std::string address;             // as a server reads it: how it is retrieved and named
  std::size_t page = unnumbered;   // its place among the pages, when it is on the site
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
  std::size_t address = unnumbered;  // once numbered; unnumbered for one left out
  std::size_t count = 0;             // of the lines that name it
  std::vector<std::uint32_t> more_lines{};
};

// What is kept of a page's own problems until it is reported: the first ones,
// as many as the report may show, and how many more there were.
struct KeptProblems {
  std::vector<PageProblem> first;
  std::size_t more_errors = 0;
  std::size_t more_warnings = 0;
  std::size_t ignored = 0;  // of the kinds --ignore names
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
  std::optional<std::string> start_failure{};  // why the start brought nothing, if it did not
  std::vector<std::size_t> too_big{};          // pages that did not fit in memory
  LinkCache cache{};                           // verdicts on links to other sites
};

// The order (crawl_order.cpp): what is reached, numbered and retrieved next.
bool cap_reached(const Crawl& crawl);
void leave_out_waiting_pages(Crawl& crawl);
std::size_t add_address(Crawl& crawl, std::string address);
void add_page(Crawl& crawl, std::size_t number, std::size_t depth);
// Pages first, while fewer are checked or coming than --max-pages allows: an
// address that brings no page leaves its place to the next.
std::optional<Wanted> next_wanted(Crawl& crawl);
// Numbers the links of the pages ended, in the order of the pages.
void number_links(Crawl& crawl);
// Whether every link of a page has its verdict in.
bool links_answered(const Crawl& crawl, SitePage& page);
// A link's address as a server reads it, and as following the link loads it.
std::string_view canonical_of(const SitePage& page, const PageLinkTo& link);
std::string_view loaded_of(const SitePage& page, const PageLinkTo& link);
// A link found on a page: its address as following it loads it and as a
// server reads it, each distinct one kept once with the lines that name it.
void note_link(std::unordered_map<std::string, std::size_t>& index_of, SitePage& page,
               std::size_t line, std::string_view target, std::size_t most_lines);

// The answers (crawl_answers.cpp): a retrieval's answer, the verdict on
// links to it, and a page checked.
void take_answer(Crawl& crawl, std::size_t number, const SideAnswer& answer);
// The verdict on links to an address that is no page, as the cache held it.
void take_verdict(Crawl& crawl, std::size_t number, const LinkVerdict& verdict);

// The report (crawl_report.cpp): pages reported in the order reached, once
// their links are answered; and what the summary says.
void report_ready(Crawl& crawl, Report& report, const std::function<void()>& before_writing);
ReportEnd end_of_report(const Crawl& crawl);
