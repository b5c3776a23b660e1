// The files a person keeps of this program, where the XDG base directories
// put them, and how they are written: whole or not at all, for their eyes only.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// The files a run keeps for the person, each empty when there is none: in
// $XDG_DATA_HOME/linebrowse and $XDG_STATE_HOME/linebrowse (by default
// ~/.local/share/linebrowse and ~/.local/state/linebrowse), when the variable
// or HOME names a folder.
struct UserFiles {
  std::string bookmarks;  // in the data folder
  std::string history;    // LINEBROWSE_HISTORY when set (empty for none), else the state folder
};

// Where the files are, from the environment: decided once, at start-up.
UserFiles user_files();

// A file written beside `path` and put in its place only once it is whole:
// mode 0600, the folders to it made (0700) when missing. Dropped unless
// replace() is called.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // The stream to write to; null when the file could not be made (failure() says why).
  std::FILE* stream() const { return file; }
  // Puts the file in place of `path`; why it failed, when it did.
  std::optional<std::string> replace();
  const std::string& failure() const { return why; }

 private:
  std::string path;
  std::string temporary;
  std::FILE* file = nullptr;
  std::string why;
};

// An exclusive lock on PATH.lock, beside a file the person keeps, held while
// it lives: two runs that write the file at once then lose nothing. The
// folders to it are made (0700) when missing.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Why the lock is not held, when it is not.
  const std::optional<std::string>& failure() const { return why; }

 private:
  int descriptor = -1;
  std::optional<std::string> why;
};

// Writes `text` to `path` as ReplacingFile does; why it failed, when it did.
std::optional<std::string> write_whole(const std::string& path, std::string_view text);
