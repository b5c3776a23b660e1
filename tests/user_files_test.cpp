// The person's files: where the XDG rules put them, written whole or not at
// all for their eyes only, and a lock that keeps two runs apart.
#include "base/user_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(UserFiles, FollowTheXdgRules) {
  struct Row {
    const char* data;
    const char* home;
    std::string bookmarks;
  };
  const Row rows[] = {
      {"/d", "/h", "/d/linebrowse/bookmarks.txt"},
      {"relative", "/h", "/h/.local/share/linebrowse/bookmarks.txt"},  // not absolute: ignored
      {nullptr, "/h", "/h/.local/share/linebrowse/bookmarks.txt"},
      {nullptr, "", ""},
  };
  const char* home = std::getenv("HOME");
  const std::string kept_home = home ? home : "";
  for (const Row& row : rows) {
    if (row.data)
      setenv("XDG_DATA_HOME", row.data, 1);
    else
      unsetenv("XDG_DATA_HOME");
    setenv("HOME", row.home, 1);
    EXPECT_EQ(user_files().bookmarks, row.bookmarks) << (row.data ? row.data : "unset");
  }
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", kept_home.c_str(), 1);
}

TEST(UserFiles, WrittenWholeUnderALock) {
  std::string folder = std::filesystem::temp_directory_path() / "linebrowse-files-XXXXXX";
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const std::string path = folder + "/data/linebrowse/file.txt";
  {
    const FileLock lock(path);
    ASSERT_FALSE(lock.failure()) << *lock.failure();
    const int other = open((path + ".lock").c_str(), O_RDWR);
    EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0) << "a second run would not wait";
    close(other);
  }
  EXPECT_FALSE(write_whole(path, "text\n"));
  std::ifstream written(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "text\n");
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
  EXPECT_EQ(std::filesystem::status(folder + "/data/linebrowse").permissions(),
            std::filesystem::perms(0700));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder + "/data/linebrowse"), {}), 2)
      << "the file and its lock, no temporary left";
  std::filesystem::remove_all(folder);
}

}  // namespace
