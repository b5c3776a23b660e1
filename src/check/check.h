// The author's check: pages and whole sites read as readers will read them,
// every problem said at its line. What the run above calls.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

// How a report is written: NAME:LINE: error|warning: MESSAGE for people and
// editors, one JSON object a line for programs, or GitHub workflow commands.
enum class ReportFormat { text, json, github };

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
  std::string root;                      // the folder that holds the site's pages, if any
  bool offline = false;                  // nothing retrieved over the network
  std::vector<std::string> exclude;      // patterns of addresses neither retrieved nor followed
  std::optional<std::size_t> max_depth;  // links from the start to a page read as one, at most
};

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

// Why a pattern of --exclude cannot be matched, when it cannot.
std::optional<std::string> why_exclude_fails(const std::string& pattern);
