// Inside the browser: the bookmarks, a line-record page on disk in the data
// folder, and the two commands that keep and show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browser/navigation.h"
#include "console/console.h"
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

// What adding a bookmark to the bookmarks file's text comes to.
enum class BookmarkAdding {
  added,
  already_kept,    // a record of the file links to the address already
  not_a_page,      // the file holds text but no record: it is no bookmarks file
  no_number_left,  // a record holds the largest number already
};

struct BookmarksWithOne {
  BookmarkAdding outcome;
  std::string text;  // the file's text with the new record, when added
};

// The bookmarks file's text with a record added for `bookmark`, every other
// line kept byte for byte. The record takes the number after the highest and
// ends in the terminator's flag, so that it is the last row shown; it stands
// before any line where a reader's parse stops. A file without text gets a
// title first.
BookmarksWithOne with_bookmark(std::string body, const Bookmark& bookmark);

// The bookmarks file's text without the records of row `row`, every other
// line kept byte for byte; `label` is the label the row showed. Lines where
// a reader's parse has stopped are no rows. When the row held the file's
// only terminator, an empty terminator record of that number stays in its
// place, so that the page still ends where it did.
struct BookmarksWithout {
  bool removed = false;
  std::string text;
  std::string label;
};
BookmarksWithout without_bookmark(std::string_view body, std::int32_t row);

// -N, while the bookmarks are shown: removes row N's bookmark under the lock
// `a` takes, says which one, and shows the bookmarks again.
void remove_bookmark(NavigationState& nav, PageModel& page, Console& console,
                     const std::string& path, std::int32_t row);

// a: adds the page being read, by its title and address, unless it is kept
// already: under a lock, the file as it stands with one record more, written
// whole. What cannot be read or written is said, and the session goes on.
void add_bookmark(const NavigationState& nav, const PageModel& page, Console& console,
                  const std::string& path);
// m: goes to the bookmarks, shown as a page, as g goes to an address.
void show_bookmarks(NavigationState& nav, PageModel& page, Console& console,
                    const std::string& path);
