// The person's files: where they are, and writing them whole, mode 0600.
#include "base/user_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A folder named by a variable, when it names one as the XDG rules have it:
// an absolute path; else `fallback` under HOME.
std::string user_file(const char* variable, std::string_view fallback, std::string_view name) {
  std::string folder;
  if (const char* set = std::getenv(variable); set != nullptr && set[0] == '/') {
    folder = set;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    folder = std::string(home) + "/" + std::string(fallback);
  } else {
    return {};
  }
  return folder + "/linebrowse/" + std::string(name);
}

// Makes each folder on the way to `path` that is missing; errno of the first
// that cannot be made, or 0.
int make_folders_to(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

}  // namespace

UserFiles user_files() {
  const char* history = std::getenv("LINEBROWSE_HISTORY");
  return {user_file("XDG_DATA_HOME", ".local/share", "bookmarks.txt"),
          history ? history : user_file("XDG_STATE_HOME", ".local/state", "history")};
}

ReplacingFile::ReplacingFile(std::string path) : path(std::move(path)) {
  if (const int error = make_folders_to(this->path); error != 0) {
    why = std::strerror(error);
    return;
  }
  temporary = this->path + ".XXXXXX";
  const int descriptor = mkstemp(temporary.data());  // mode 0600
  if (descriptor < 0 || (file = fdopen(descriptor, "w")) == nullptr) {
    why = std::strerror(errno);
    if (descriptor >= 0) close(descriptor);
    unlink(temporary.c_str());
  }
}

ReplacingFile::~ReplacingFile() {
  if (file == nullptr) return;
  std::fclose(file);
  unlink(temporary.c_str());
}

std::optional<std::string> ReplacingFile::replace() {
  if (file == nullptr) return why;
  const bool written = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  const int error = errno;
  const bool closed = std::fclose(file) == 0;
  file = nullptr;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    why = std::strerror(written && closed ? errno : error);
    unlink(temporary.c_str());
    return why;
  }
  return std::nullopt;
}

FileLock::FileLock(const std::string& path) {
  if (const int error = make_folders_to(path); error != 0) {
    why = std::strerror(error);
    return;
  }
  descriptor = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    why = std::strerror(errno);
    return;
  }
  int locked = 0;
  do {
    locked = flock(descriptor, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    why = std::strerror(errno);
    close(descriptor);
    descriptor = -1;
  }
}

FileLock::~FileLock() {
  if (descriptor >= 0) close(descriptor);  // which ends the lock
}

std::optional<std::string> write_whole(const std::string& path, std::string_view text) {
  ReplacingFile file(path);
  if (file.stream() == nullptr) return file.failure();
  if (std::fwrite(text.data(), 1, text.size(), file.stream()) != text.size())
    return std::strerror(errno);
  return file.replace();
}
