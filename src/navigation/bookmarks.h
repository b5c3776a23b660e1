// Inside navigation: the bookmarks, a line-record page on disk in the data
// folder, and the two commands that keep and show them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "navigation/navigation.h"
#include "page/page.h"

struct Bookmark {
  std::string label;
  std::string address;
};

// A label as a record holds it: no bar, control byte or line feed, which
// would break the record, each a space instead.
std::string mended_label(std::string_view label);
// An address as a record holds it: escaped where it holds a bar, a space, a
// control byte or a byte past ASCII.
std::string mended_address(std::string_view address);

// The bookmarks a page's body holds: each record from 1 up with a link, in
// the order of their numbers.
std::vector<Bookmark> bookmarks_in(std::string body);
// The page that holds `bookmarks`: a title, then a record each, numbered from
// 1, the last the terminator.
std::string bookmarks_page(const std::vector<Bookmark>& bookmarks);

// a: adds the page being read, by its title and address, unless it is kept
// already; the file is written whole. What cannot be read or written is
// said, and the session goes on.
void add_bookmark(const NavigationState& nav, const PageModel& page, Console& console);
// m: goes to the bookmarks, shown as a page, as g goes to an address.
void show_bookmarks(NavigationState& nav, PageModel& page, Console& console);
