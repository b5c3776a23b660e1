// Bookmarks: a line-record page on disk, so that any editor and --check read
// it. a adds the page being read to it; m shows it as a page, whose links go
// to the pages kept.
#include "navigation/bookmarks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/ascii.h"
#include "base/messages.h"
#include "base/user_files.h"
#include "navigation/loading.h"
#include "navigation/navigation.h"

std::string mended_label(std::string_view label) {
  std::string mended(label);
  std::replace_if(
      mended.begin(), mended.end(),
      [](char c) { return c == '|' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, ' ');
  return mended;
}

std::string mended_address(std::string_view address) {
  std::string mended;
  for (const char c : percent_encoded(address)) {
    if (c == '|')
      mended += "%7C";
    else
      mended += c;
  }
  return mended;
}

std::vector<Bookmark> bookmarks_in(std::string body) {
  PageModel page;
  split_lines(page, std::move(body));
  parse_page(page);
  std::vector<Bookmark> bookmarks;
  for (const NumberedField& link : page.line_links) {
    if (link.number < 1) continue;
    const NumberedField* label = find_field(page.line_labels, link.number);
    bookmarks.push_back({label ? std::string(field_text(page, *label)) : std::string(),
                         std::string(field_text(page, link))});
  }
  return bookmarks;
}

std::string bookmarks_page(const std::vector<Bookmark>& bookmarks) {
  std::string page = "0:Bookmarks||";
  page += bookmarks.empty() ? "\\\n" : "-\n";
  for (std::size_t n = 1; n <= bookmarks.size(); ++n) {
    const Bookmark& bookmark = bookmarks[n - 1];
    page += std::to_string(n) + ":" + mended_label(bookmark.label) + "|" +
            mended_address(bookmark.address) + "|" + (n == bookmarks.size() ? "\\" : "-") + "\n";
  }
  return page;
}

namespace {

std::string bookmarks_file() { return user_data_file("bookmarks.txt"); }

// The file's text; empty when there is none yet. Nothing when it cannot be
// read, which is said.
std::optional<std::string> read_bookmarks_file(const std::string& path, Console& console) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (errno == ENOENT) return std::string();
    say(console, message::bookmarks_not_read + upper_case(std::strerror(errno)));
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return std::move(text).str();
}

std::string title_or_address(const NavigationState& nav, const PageModel& page) {
  const NumberedField* title = find_field(page.line_labels, 0);
  const std::string_view text = title ? field_text(page, *title) : std::string_view();
  return text.empty() ? nav.current_url : std::string(text);
}

}  // namespace

void add_bookmark(const NavigationState& nav, const PageModel& page, Console& console) {
  if (is_file_address(nav.current_url)) {
    say(console, message::no_bookmark_on_disk);
    return;
  }
  const std::string path = bookmarks_file();
  if (path.empty()) {
    say(console, message::bookmarks_without_home);
    return;
  }
  const std::optional<std::string> text = read_bookmarks_file(path, console);
  if (!text) return;
  std::vector<Bookmark> bookmarks = bookmarks_in(*text);
  const std::string address = mended_address(nav.current_url);
  const std::string title = title_or_address(nav, page);
  if (std::any_of(bookmarks.begin(), bookmarks.end(),
                  [&address](const Bookmark& kept) { return kept.address == address; })) {
    say(console, message::already_bookmarked, title);
    return;
  }
  bookmarks.push_back({title, address});
  if (const std::string why = write_whole(path, bookmarks_page(bookmarks)); !why.empty())
    say(console, message::bookmark_not_kept + upper_case(why));
  else
    say(console, message::bookmarked, title);
}

void show_bookmarks(NavigationState& nav, PageModel& page, Console& console) {
  const std::string path = bookmarks_file();
  const std::optional<std::string> text =
      path.empty() ? std::optional<std::string>("") : read_bookmarks_file(path, console);
  if (!text) return;
  if (text->empty()) {
    say(console, message::no_bookmarks_yet);
    return;
  }
  go_to_address(nav, file_address(path), page, console);
}
