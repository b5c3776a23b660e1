// Bookmarks: a line-record page on disk, so that any editor and --check read
// it. a adds the page being read to it; m shows it as a page, whose links go
// to the pages kept.
#include "browser/bookmarks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "base/ascii.h"
#include "base/limits.h"
#include "base/messages.h"
#include "base/user_files.h"
#include "browser/loading.h"
#include "browser/navigation.h"

std::string mended_label(std::string_view label) {
  std::string mended(label);
  std::replace_if(
      mended.begin(), mended.end(), [](char c) { return c == '|' || is_control(c); }, ' ');
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

namespace {

// A record in the file's text: the line ending the line before it uses.
std::string bookmark_record(std::int32_t number, const Bookmark& bookmark,
                            std::string_view line_end) {
  return std::to_string(number) + ":" + mended_label(bookmark.label) + "|" +
         mended_address(bookmark.address) + "|\\" + std::string(line_end);
}

bool links_to(const PageModel& page, std::string_view address) {
  return std::any_of(page.line_links.begin(), page.line_links.end(),
                     [&](const NumberedField& link) {
                       return link.number >= 1 && field_text(page, link) == address;
                     });
}

}  // namespace

BookmarksWithOne with_bookmark(std::string body, const Bookmark& bookmark) {
  if (body.empty())
    return {BookmarkAdding::added, "0:Bookmarks||-\n" + bookmark_record(1, bookmark, "\n")};
  PageModel page;
  split_lines(page, std::move(body));
  const ParseEnd end = parse_page(page);
  const std::string& text = page.body;
  if (page.line_labels.empty()) return {BookmarkAdding::not_a_page, {}};
  if (links_to(page, mended_address(bookmark.address))) return {BookmarkAdding::already_kept, {}};
  const std::int32_t highest = highest_record(page);
  if (highest == std::numeric_limits<std::int32_t>::max())
    return {BookmarkAdding::no_number_left, {}};
  // Before the line where reading stops, or at the end of the last line.
  const std::size_t at =
      end.line == 0 ? text.size() : static_cast<std::size_t>(end.text.data() - text.data());
  std::string before = text.substr(0, at);
  if (!before.empty() && !before.ends_with('\n')) before += '\n';
  const std::string_view line_end = before.ends_with("\r\n") ? "\r\n" : "\n";
  return {BookmarkAdding::added,
          before + bookmark_record(highest + 1, bookmark, line_end) + text.substr(at)};
}

BookmarksWithout without_bookmark(std::string_view body, std::int32_t row) {
  BookmarksWithout result;
  bool kept_terminator = false;
  bool removed_terminator = false;
  std::size_t last_removed = std::string_view::npos;  // where in the new text
  std::string_view line_end = "\n";
  bool reading = true;  // before the first line that holds no record
  for (std::size_t from = 0; from < body.size();) {
    const std::size_t end = std::min(body.find('\n', from), body.size());
    const std::string_view whole = body.substr(from, end + 1 - from);  // with its line feed
    std::string_view line = body.substr(from, end - from);
    from = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::optional<RecordFields> fields = reading ? record_fields(line) : std::nullopt;
    reading = fields.has_value();
    const bool terminator = fields && fields->flag == "\\";
    if (fields && record_number(line) == row) {
      result.removed = true;
      result.label = fields->label;
      removed_terminator = removed_terminator || terminator;
      last_removed = result.text.size();
      line_end = whole.ends_with("\r\n") ? "\r\n" : "\n";
      continue;
    }
    kept_terminator = kept_terminator || terminator;
    result.text += whole;
  }
  if (removed_terminator && !kept_terminator)
    result.text.insert(last_removed, std::to_string(row) + ":||\\" + std::string(line_end));
  return result;
}

namespace {

// The file's text, empty when there is none yet; nothing when it cannot be
// read or is past the cap, which is said.
std::optional<std::string> read_bookmarks_file(const std::string& path, Console& console) {
  FileRead file = read_capped_file(path);
  switch (file.problem) {
    case FileRead::Problem::none:
      return std::move(file.body);
    case FileRead::Problem::cannot_read:
      if (file.error == ENOENT) return std::string();
      say(console, message::bookmarks_not_read + upper_case(std::strerror(file.error)));
      break;
    case FileRead::Problem::not_a_file:
      say(console, message::bookmarks_not_read + "NOT A FILE: " + path);
      break;
    case FileRead::Problem::cut:
      say(console, message::bookmarks_too_big());
      break;
    case FileRead::Problem::out_of_memory:
      say(console, message::bookmarks_not_read + std::string(message::out_of_memory));
      break;
  }
  return std::nullopt;
}

std::string title_or_address(const NavigationState& nav, const PageModel& page) {
  const NumberedField* title = find_field(page.line_labels, 0);
  const std::string_view text = title ? field_text(page, *title) : std::string_view();
  return text.empty() ? nav.current_url : std::string(text);
}

// Says what adding came to; writes the file when a record was added.
void keep_bookmark(const std::string& path, const BookmarksWithOne& added, std::string_view title,
                   Console& console) {
  switch (added.outcome) {
    case BookmarkAdding::already_kept:
      say(console, message::already_bookmarked, title);
      return;
    case BookmarkAdding::not_a_page:
      say(console, message::bookmark_not_kept + "THE FILE HOLDS NO RECORD: " + path);
      return;
    case BookmarkAdding::no_number_left:
      say(console, message::bookmark_not_kept + "NO RECORD NUMBER IS LEFT IN " + path);
      return;
    case BookmarkAdding::added:
      break;
  }
  if (const std::optional<std::string> why = write_whole(path, added.text))
    say(console, message::bookmark_not_kept + upper_case(*why));
  else
    say(console, message::bookmarked, title);
}

}  // namespace

void add_bookmark(const NavigationState& nav, const PageModel& page, Console& console,
                  const std::string& path) {
  if (is_file_address(nav.current_url)) {
    say(console, message::no_bookmark_on_disk);
    return;
  }
  if (path.empty()) {
    say(console, message::bookmarks_without_home);
    return;
  }
  const FileLock lock(path);  // another run's a waits, and then adds to what this one wrote
  if (lock.failure()) {
    say(console, message::bookmarks_not_read + upper_case(*lock.failure()));
    return;
  }
  std::optional<std::string> text = read_bookmarks_file(path, console);
  if (!text) return;
  const std::string title = title_or_address(nav, page);
  keep_bookmark(path, with_bookmark(std::move(*text), {title, nav.current_url}), title, console);
}

void show_bookmarks(NavigationState& nav, PageModel& page, Console& console,
                    const std::string& path) {
  struct stat about {};
  if (path.empty() || stat(path.c_str(), &about) != 0) {
    if (path.empty() || errno == ENOENT)
      say(console, message::no_bookmarks_yet);
    else
      say(console, message::bookmarks_not_read + upper_case(std::strerror(errno)));
  } else if (!S_ISREG(about.st_mode)) {
    say(console, message::bookmarks_not_read + "NOT A FILE: " + path);
  } else if (about.st_size == 0) {
    say(console, message::no_bookmarks_yet);
  } else if (static_cast<std::size_t>(about.st_size) > page_cap_bytes) {
    // Shown, it would be cut after 64 MiB read and held: it is said at once.
    say(console, message::bookmarks_too_big());
  } else {
    go_to_address(nav, file_address(path), page, console);
  }
}

void remove_bookmark(NavigationState& nav, PageModel& page, Console& console,
                     const std::string& path, std::int32_t row) {
  if (path.empty() || nav.current_url != file_address(path)) {
    say(console, message::not_on_bookmarks);
    return;
  }
  if (row == 0) {
    say(console, message::title_is_no_bookmark);
    return;
  }
  const FileLock lock(path);  // as a: two runs that change the file at once lose nothing
  if (lock.failure()) {
    say(console, message::bookmarks_not_read + upper_case(*lock.failure()));
    return;
  }
  const std::optional<std::string> text = read_bookmarks_file(path, console);
  if (!text) return;
  const BookmarksWithout without = without_bookmark(*text, row);
  if (!without.removed) {
    say(console, message::no_bookmark_on_row, std::to_string(row));
    return;
  }
  if (const std::optional<std::string> why = write_whole(path, without.text)) {
    say(console, message::bookmark_not_removed + upper_case(*why));
    return;
  }
  say(console, message::bookmark_removed, without.label);
  reload(nav, page, console);
}
