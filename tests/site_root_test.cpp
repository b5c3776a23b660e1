// A site's folder (--root): which address is which file, and which files are
// read: regular ones inside the folder only, whatever the path climbs to.
#include "check/site_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(SiteRoot, ReadsOnlyRegularFilesInsideTheFolder) {
  const std::string top = std::filesystem::temp_directory_path() / "linebrowse-root-XXXXXX";
  std::string made = top;
  ASSERT_NE(mkdtemp(made.data()), nullptr);
  const std::string site = made + "/site";
  std::filesystem::create_directories(site + "/sub");
  std::filesystem::create_directories(made + "/site2");
  std::ofstream(site + "/a.txt") << "0:A||\\\n";
  std::ofstream(made + "/site2/x.txt") << "0:X||\\\n";
  mkfifo((site + "/fifo").c_str(), 0600);
  std::filesystem::create_symlink("../site2/x.txt", site + "/sibling.txt");  // out, to a namesake
  std::filesystem::create_symlink("../a.txt", site + "/sub/up.txt");         // in, by a link
  std::string why;
  const auto root = site_root("http://h/docs/index.txt", site + "/", why);
  ASSERT_TRUE(root) << why;
  EXPECT_EQ(root->prefix, "http://h/docs/");
  EXPECT_FALSE(file_for(*root, "http://h/other/a.txt"));
  EXPECT_FALSE(file_for(*root, "http://h/docsa.txt"));
  struct Row {
    std::string address;
    std::string failure;  // empty when the file is read
  };
  const Row rows[] = {
      {"http://h/docs/a.txt?q=1", ""},
      {"http://h/docs/sub/up.txt", ""},
      {"http://h/docs/%61.txt", ""},
      {"http://h/docs/missing.txt", "no file " + site + "/missing.txt"},
      {"http://h/docs/fifo", "not a file: " + site + "/fifo"},
      {"http://h/docs/sibling.txt", "leads out of " + site + ": " + site + "/sibling.txt"},
      {"http://h/docs/sub/%2E%2E/%2E%2E/site2/x.txt",
       "leads out of " + site + ": " + site + "/sub/../../site2/x.txt"},
  };
  for (const Row& row : rows) {
    const auto file = file_for(*root, row.address);
    ASSERT_TRUE(file) << row.address;
    const SideAnswer answer = read_root_file(*root, *file);
    EXPECT_EQ(answer.failure, row.failure) << row.address;
    EXPECT_EQ(answer.body.empty(), !row.failure.empty()) << row.address;
  }
  // One file, one identity, whatever address reaches it.
  EXPECT_EQ(file_identity(*root, *file_for(*root, "http://h/docs/a.txt?q=1")),
            file_identity(*root, *file_for(*root, "http://h/docs/sub/up.txt")));
  EXPECT_FALSE(site_root("http://h/docs/index.txt", site + "/a.txt", why));
  std::filesystem::remove_all(made);
}

}  // namespace
