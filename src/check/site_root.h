// Inside the check: a site checked from the folder it is written in (--root).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "web/web.h"

// The folder on disk that holds what the server serves under the folder of
// the start's address.
struct SiteRoot {
  std::string prefix;  // that folder's address, as a server reads it: "http://h/docs/"
  std::string folder;  // as it was given, without a trailing slash: reports name files by it
  std::string real;    // its real path, which every file read must lie under
};

// The root of a check starting at `start` (as a server reads it) with the
// folder `folder`; none when the folder is none, and `why` says so.
std::optional<SiteRoot> site_root(const std::string& start, const std::string& folder,
                                  std::string& why);

// A file that serves an address: as reports name it ("site/a/b.txt"), and
// its path under the folder ("a/b.txt").
struct RootFile {
  std::string shown;
  std::string relative;
};

// The file that serves `address` (as a server reads it) when it lies under
// the root's folder: its path after that folder, decoded, without a query.
std::optional<RootFile> file_for(const SiteRoot& root, const std::string& address);

// What a file is, whatever address reached it: its real path when it has
// one, else its path under the folder.
std::string file_identity(const SiteRoot& root, const RootFile& file);

// What reading a root's file brings, as a retrieval of its address would:
// only a regular file inside the folder, never waiting for one. Otherwise
// the failure names the file: "no file site/x.txt".
SideAnswer read_root_file(const SiteRoot& root, const RootFile& file);
