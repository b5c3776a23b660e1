// The page model: a retrieved body split into lines, parsed into numbered
// records, and shown on the console as a title and numbered rows.
#pragma once

#include <cstdint>
#include <deque>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

// The lines of a body, read in place: each line ends before its line feed.
struct PageLines {
  struct iterator {
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = const std::string_view*;
    using reference = std::string_view;

    std::string_view operator*() const { return rest.substr(0, line_end); }
    iterator& operator++();
    iterator operator++(int) {
      iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const iterator& other) const { return rest.size() == other.rest.size(); }

    std::string_view rest;  // from the start of this line to the end of the body
    std::size_t line_end = 0;
  };

  iterator begin() const;
  iterator end() const { return {text.substr(text.size()), 0}; }
  bool empty() const { return text.empty(); }

  std::string_view text;
};

// One numbered piece of page text, a label or a link target: the field that
// starts `at` bytes into the page's body and ends at the next bar, which the
// record format puts after every field. Eight bytes, since a big page has
// millions of them.
struct PageRecord {
  std::int32_t number;
  std::uint32_t at;
};

// Records by number, one per number. A deque grows without copying itself, so
// a big page never holds its records twice.
using PageRecords = std::deque<PageRecord>;

// The one page of the run. Lines and records point into its body, so it is
// never copied.
struct PageModel {
  PageModel() = default;
  PageModel(const PageModel&) = delete;
  PageModel& operator=(const PageModel&) = delete;

  std::string body;  // every byte the lines and records point into
  PageLines page_lines;
  PageRecords line_labels;
  PageRecords line_links;  // non-empty targets only
  // Set only by a terminator record; survives page loads on purpose.
  std::int32_t last_line = 0;
};

void split_lines(PageModel& page, std::string body);
void parse_page(PageModel& page, std::ostream& out);
void display_page(const PageModel& page, std::ostream& out);
std::string link_target(const PageModel& page, std::int32_t number);
void clear_records(PageModel& page);
void clear_lines(PageModel& page);

// The record number that text starts with: its leading decimal digits. None
// when there are no digits or they exceed the 32-bit range, since no record
// can carry such a number.
std::optional<std::int32_t> record_number(std::string_view text);
