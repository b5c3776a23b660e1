// The author's check: pages and whole sites read as readers will read them,
// every problem said at its line. What the run above calls.
#pragma once

#include <bitset>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/config_file.h"  // linebrowse.toml, which the run reads too
#include "console/console.h"
#include "page/page.h"

// How a report is written: NAME:LINE: error|warning: MESSAGE [CODE] for
// people and editors, one JSON object a line for programs, GitHub workflow
// commands, or one SARIF 2.1.0 log for code scanning.
enum class ReportFormat { text, json, github, sarif };

// What --check was asked for.
struct CheckOptions {
  std::vector<std::string> names;  // files, "-" for standard input, or addresses
  bool links = false;              // also retrieve every link target
  bool strict = false;             // warnings count as errors for the status
  std::string stdin_name = "-";    // what "-" is reported as
  bool site = false;               // the one name is where a whole site's check starts
  std::size_t max_pages = 10000;   // pages a site's check reads at most
  std::size_t max_problems = 100;  // problems written for a page at most; 0 for all
  ReportFormat format = ReportFormat::text;
  // A site's check only:
  std::string root;                        // the folder that holds the site's pages, if any
  bool offline = false;                    // nothing retrieved over the network
  std::vector<std::string> exclude;        // patterns of addresses neither retrieved nor followed
  std::optional<std::size_t> max_depth;    // links from the start to a page read as one, at most
  std::bitset<problem_code_count> ignore;  // kinds of problem only counted
  std::string step_summary;  // with --format github, where GitHub takes a Markdown summary
  // Links to other sites: how many are retrieved at once from one host, and
  // how often one is tried again when its server is busy.
  std::size_t host_concurrency = 2;
  std::size_t retries = 2;
  std::string cache;  // the file that keeps link verdicts between runs, if any
  std::chrono::seconds cache_age{std::chrono::hours(24)};  // how long a good verdict holds
};

// The kinds of problem, one a line: code, level and meaning (--list-codes).
std::string list_of_codes();

// --check: every problem of each named page, and with `links` its broken
// links, then one summary line when there was anything to say. 0 when no
// page has an error, 1 when one has, 2 when a name cannot be read or a page
// does not fit in memory.
int check_pages(const CheckOptions& options, Console& console);

// --check --site: every page reachable from the address in options.names on
// the same site (scheme, host and port) checked as check_pages checks one,
// each link on them retrieved once, pages followed; then the summary line.
// The status as for check_pages; 1 also when Ctrl-C stopped the check.
int check_site(const CheckOptions& options, Console& console);

// --lsp: a language server for editors on standard input and output, until
// the editor says exit (0 after shutdown, else 1) or the input ends.
int serve_language(Console& console);

// Why a pattern of --exclude cannot be matched, when it cannot.
std::optional<std::string> why_exclude_fails(const std::string& pattern);
