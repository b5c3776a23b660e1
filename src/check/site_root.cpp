// A site's folder on disk: which address is which file, and reading a file
// only when it is a regular one inside the folder.
#include "check/site_root.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/ascii.h"

namespace {

SideAnswer refused(std::string why) {
  SideAnswer answer;
  answer.failure = std::move(why);
  answer.stop = TransferStop::failed;
  return answer;
}

}  // namespace

std::optional<SiteRoot> site_root(const std::string& start, const std::string& folder,
                                  std::string& why) {
  std::string given = folder;
  while (given.size() > 1 && given.back() == '/') given.pop_back();
  char* real = realpath(given.c_str(), nullptr);
  if (real == nullptr) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  const std::unique_ptr<char, decltype(&std::free)> kept(real, std::free);
  struct stat about {};
  if (stat(real, &about) != 0 || !S_ISDIR(about.st_mode)) {
    why = std::strerror(ENOTDIR);
    return std::nullopt;
  }
  const std::size_t query = start.find('?');
  const std::string before_query = start.substr(0, query);
  return SiteRoot{before_query.substr(0, before_query.rfind('/') + 1), given, real};
}

std::optional<RootFile> file_for(const SiteRoot& root, const std::string& address) {
  if (!address.starts_with(root.prefix)) return std::nullopt;
  const std::optional<std::string> path = decoded_path(address);
  const std::optional<std::string> folder = decoded_path(root.prefix);
  if (!path || !folder || !path->starts_with(*folder)) return std::nullopt;
  std::string relative = path->substr(folder->size());
  return RootFile{root.folder + "/" + relative, std::move(relative)};
}

std::string file_identity(const SiteRoot& root, const RootFile& file) {
  const std::unique_ptr<char, decltype(&std::free)> real(
      realpath((root.real + "/" + file.relative).c_str(), nullptr), std::free);
  return real ? std::string(real.get()) : file.relative;
}

SideAnswer read_root_file(const SiteRoot& root, const RootFile& file) {
  // Every path is resolved, ".." and symbolic links alike, and must stay in the folder.
  if (file.relative.find('\0') != std::string::npos) return refused("no file " + file.shown);
  char* real = realpath((root.real + "/" + file.relative).c_str(), nullptr);
  if (real == nullptr)
    return refused(errno == ENOENT || errno == ENOTDIR
                       ? "no file " + file.shown
                       : "cannot read " + file.shown + ": " + std::strerror(errno));
  const std::unique_ptr<char, decltype(&std::free)> kept(real, std::free);
  const std::string_view inside(real);
  if (inside != root.real && !inside.starts_with(root.real + "/"))
    return refused("leads out of " + root.folder + ": " + file.shown);
  struct stat about {};
  if (stat(real, &about) != 0 || !S_ISREG(about.st_mode))
    return refused("not a file: " + file.shown);
  Retrieval got = read_file(real);
  SideAnswer answer;
  answer.failure = std::move(got.failure);
  answer.stop = got.stop;
  if (answer.stop == TransferStop::cut) answer.failure.clear();
  answer.body = std::move(got.body);
  return answer;
}
