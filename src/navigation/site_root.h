// Inside navigation: a site checked from the folder it is written in (--root),
// and the addresses its check leaves out (--exclude).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/web.h"

namespace re2 {
class RE2;
}

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

// Patterns of addresses to leave out (--exclude), in POSIX extended syntax
// matched in time linear in the address, so that no pattern can hold a check
// for ever: back-references, which need more, are refused.
class AddressPatterns {
 public:
  AddressPatterns();
  ~AddressPatterns();
  AddressPatterns(const AddressPatterns&) = delete;
  AddressPatterns& operator=(const AddressPatterns&) = delete;

  // Adds a pattern; why it is wrong, empty when it is not.
  std::string add(const std::string& pattern);
  bool match(const std::string& address) const;

 private:
  std::vector<std::unique_ptr<re2::RE2>> compiled;
};
