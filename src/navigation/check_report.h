// Inside navigation: what --check says of pages, and of the links on them,
// shared by the check of named pages and the check of a whole site.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "page/page.h"
#include "web/web.h"

// Problems as report lines, NAME:LINE: error|warning: MESSAGE (no LINE for
// the page as a whole), counted as they are added.
struct ProblemLines {
  std::string text;
  std::size_t errors = 0;
  std::size_t warnings = 0;

  void add(std::string_view shown_name, const PageProblem& problem);
};

// The report of a whole run, written a buffer at a time, and its totals for
// the summary line.
struct Report {
  std::ostream& out;
  ProblemLines waiting{};
  std::size_t errors = 0;
  std::size_t warnings = 0;
  std::size_t pages = 0;

  void say(std::string_view shown_name, const PageProblem& problem);
  // A report line made before, with its line feed; counted by the caller.
  void write_line(std::string_view line);
  void flush();
  // "2 errors and 1 warning in 3 pages", once all is flushed.
  std::string summary() const;
  // 0, or 1 when there is an error or, `strict`, a warning.
  int status(bool strict) const;
};

// What is said of a page that does not fit in memory to be checked.
inline constexpr std::string_view page_too_big = "OUT OF MEMORY: the page is too big to check here";

// Checks a page's body, its problems said to `sink` as they are found (with
// a warning first when it was cut at the cap); returns its links.
std::vector<PageLink> check_body(const std::string& body, bool cut, TextRule rule,
                                 const ProblemSink& sink);

// Why a link to what a retrieval brought fails: the retrieval's failure, or
// the first line holding no record; empty when it leads to a page.
std::string why_link_fails(const SideAnswer& answer);

// The error at `line`, whose link to `address` fails for `why`.
PageProblem link_problem(std::size_t line, const std::string& address, std::string_view why,
                         TextRule rule);

// "3 errors", "1 warning"; "2 addresses" when `many` says so.
std::string counted(std::size_t count, std::string_view one, std::string_view many = {});
