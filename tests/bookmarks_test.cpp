// The bookmarks file: a record added to the file as it stands, every other
// line kept, and two runs that add at once both kept.
#include "browser/bookmarks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/user_files.h"

namespace {

TEST(Bookmarks, AddedToTheFileAsItStands) {
  const Bookmark news{"News", "http://n/x"};
  struct Row {
    const char* what;
    std::string file;
    Bookmark added;
    BookmarkAdding outcome;
    std::string after;  // the file's text when added
  };
  const Row rows[] = {
      {"a new file gets a title", "", news, BookmarkAdding::added,
       "0:Bookmarks||-\n1:News|http://n/x|\\\n"},
      {"the new record is the last row; the old terminator stays as it was",
       "0:Mine||-\n1:A|http://a|\\\n", news, BookmarkAdding::added,
       "0:Mine||-\n1:A|http://a|\\\n2:News|http://n/x|\\\n"},
      {"notes below where readers stop stay below it, byte for byte",
       "0:Mine||-\n1:A|http://a|\\\n\n# my notes\n3:old|http://o|-\n", news, BookmarkAdding::added,
       "0:Mine||-\n1:A|http://a|\\\n2:News|http://n/x|\\\n\n# my notes\n3:old|http://o|-\n"},
      {"a record without a target and a repeated number count for the next number",
       "0:Mine||-\n1:Heading||-\n4:A|http://a|\\\n4:B|http://b|-\n", news, BookmarkAdding::added,
       "0:Mine||-\n1:Heading||-\n4:A|http://a|\\\n4:B|http://b|-\n5:News|http://n/x|\\\n"},
      {"CR LF lines get a CR LF record", "0:Mine||-\r\n1:A|http://a|\\\r\n", news,
       BookmarkAdding::added, "0:Mine||-\r\n1:A|http://a|\\\r\n2:News|http://n/x|\\\r\n"},
      {"a last line without a line feed gets one", "0:Mine||-\n1:A|http://a|\\", news,
       BookmarkAdding::added, "0:Mine||-\n1:A|http://a|\\\n2:News|http://n/x|\\\n"},
      {"labels and addresses mended so that each stays one record",
       "0:Mine||-\n",
       {"News | today\x1b[2J", "http://h/a b|c\xe9"},
       BookmarkAdding::added,
       "0:Mine||-\n1:News   today [2J|http://h/a%20b%7Cc%E9|\\\n"},
      {"an address kept already, as the file writes it",
       "0:Mine||-\n3:A|http://h/a%20b|\\\n",
       {"A", "http://h/a b"},
       BookmarkAdding::already_kept,
       ""},
      {"a record 0 is no bookmark", "0:Mine|http://n/x|-\n", news, BookmarkAdding::added,
       "0:Mine|http://n/x|-\n1:News|http://n/x|\\\n"},
      {"text without a record is no bookmarks file", "my bookmarks:\nhttp://a\n", news,
       BookmarkAdding::not_a_page, ""},
      {"no number left", "0:Mine||-\n2147483647:Z||\\\n", news, BookmarkAdding::no_number_left, ""},
  };
  for (const Row& row : rows) {
    const BookmarksWithOne result = with_bookmark(row.file, row.added);
    EXPECT_EQ(result.outcome, row.outcome) << row.what;
    EXPECT_EQ(result.text, row.after) << row.what;
  }
}

// A page on disk is never kept: links never reach a file.
// Every other line byte for byte; the page still ends where it did.
TEST(Bookmarks, RemovedFromTheFileAsItStands) {
  struct Row {
    const char* what;
    std::string file;
    std::int32_t row;
    std::string after;  // empty when nothing is removed
    std::string label = "B";
  };
  const Row rows[] = {
      {"one record out, CR LF and notes as they were",
       "0:Mine||-\r\n1:A|http://a|\\\r\n2:B|http://b|\\\r\n\n# notes\n2:x||-\n", 2,
       "0:Mine||-\r\n1:A|http://a|\\\r\n\n# notes\n2:x||-\n"},
      {"a repeated number: every record of the row, the label it showed",
       "0:M||-\n2:A|http://a|-\n1:x||\\\n2:B|http://b|\\\n", 2, "0:M||-\n1:x||\\\n"},
      {"the only terminator stays, empty, where the row was",
       "0:M||-\n1:A|http://a|-\n2:B|http://b|\\\r\n", 2, "0:M||-\n1:A|http://a|-\n2:||\\\r\n"},
      {"no such row", "0:M||-\n1:A|http://a|\\\n", 3, "", ""},
      {"a line below where readers stop is no row", "0:M||-\nnotes\n4:B|http://b|\\\n", 4, "", ""},
  };
  for (const Row& row : rows) {
    const BookmarksWithout without = without_bookmark(row.file, row.row);
    EXPECT_EQ(without.removed, !row.after.empty()) << row.what;
    if (without.removed) {
      EXPECT_EQ(without.text, row.after) << row.what;
    }
    EXPECT_EQ(without.label, row.label) << row.what;
  }
}

TEST(Bookmarks, NoPageOnDisk) {
  char data[] = "/tmp/linebrowse-bookmarks-XXXXXX";
  ASSERT_NE(mkdtemp(data), nullptr);
  const std::string path = std::string(data) + "/bookmarks.txt";
  std::istringstream in;
  std::ostringstream out;
  Console console({}, in, out, out);
  NavigationState nav;
  nav.current_url = "FILE:///home/me/page.txt";
  PageModel page;
  add_bookmark(nav, page, console, path);
  EXPECT_EQ(out.str(), "A PAGE ON DISK IS NOT BOOKMARKED: LINKS NEVER REACH A FILE\n");
  EXPECT_FALSE(std::filesystem::exists(path));
  std::filesystem::remove_all(data);
}

// Runs that press a at the same moment each read the file and write it
// whole: without the lock, one writes over what another just added.
TEST(Bookmarks, TwoRunsAtOnceKeepEveryBookmark) {
  char data[] = "/tmp/linebrowse-bookmarks-XXXXXX";
  ASSERT_NE(mkdtemp(data), nullptr);
  setenv("XDG_DATA_HOME", data, 1);
  constexpr int runs = 6, each = 10;
  std::vector<std::thread> threads;
  for (int run = 0; run < runs; ++run) {
    threads.emplace_back([run] {
      std::istringstream in;
      std::ostringstream out;
      Console console({}, in, out, out);
      for (int n = 0; n < each; ++n) {
        NavigationState nav;
        nav.current_url = "http://h/" + std::to_string(run) + "/" + std::to_string(n);
        PageModel page;
        add_bookmark(nav, page, console, user_files().bookmarks);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::ifstream file(user_files().bookmarks);
  std::string line;
  int records = 0;
  while (std::getline(file, line)) records += line.find("|http://h/") != std::string::npos;
  EXPECT_EQ(records, runs * each);
  struct stat about {};
  ASSERT_EQ(stat(user_files().bookmarks.c_str(), &about), 0);
  EXPECT_EQ(about.st_mode & 0777, 0600U);
  ASSERT_EQ(stat((std::string(data) + "/linebrowse").c_str(), &about), 0);
  EXPECT_EQ(about.st_mode & 0777, 0700U) << "the folder made for the file";
  unsetenv("XDG_DATA_HOME");
  std::filesystem::remove_all(data);
}

}  // namespace
