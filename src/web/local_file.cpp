// Reading a page from disk for a file:// address, and the file:// address of
// a path. A file is opened without waiting and read only when it is a
// regular file: a FIFO, a device or a folder would block or mean nothing.
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "base/ascii.h"
#include "base/limits.h"
#include "base/messages.h"
#include "web/transfer.h"
#include "web/web.h"

namespace {

// The file a file:// address names, decoded; none when it cannot be read as
// an address, as one that names a host other than localhost cannot.
std::optional<std::string> path_of(const std::string& address) {
  const CurlUrl url = parsed_address(address);
  if (!url) return std::nullopt;
  return part_of(url.get(), CURLUPART_PATH, CURLU_URLDECODE);
}

// Closes a descriptor when it goes.
struct OpenFile {
  explicit OpenFile(int descriptor) : descriptor(descriptor) {}
  ~OpenFile() {
    if (descriptor >= 0) close(descriptor);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int descriptor;
};

Retrieval failed(std::string why) {
  Retrieval got;
  got.stop = TransferStop::failed;
  got.failure = std::move(why);
  return got;
}

Retrieval failed_for(int error) {
  return failed(std::string(message::retrieval_failed) + upper_case(std::strerror(error)));
}

// The whole file, up to the cap.
void read_all(int descriptor, FileRead& got) {
  std::array<char, std::size_t{64} << 10> piece{};
  for (;;) {
    const ssize_t read_now = read(descriptor, piece.data(), piece.size());
    if (read_now < 0 && errno == EINTR) continue;
    if (read_now < 0) {
      got = {{}, FileRead::Problem::cannot_read, errno};
      return;
    }
    if (read_now == 0) break;
    const auto bytes = static_cast<std::size_t>(read_now);
    if (got.body.size() + bytes > page_cap_bytes) {
      got.body.append(piece.data(), page_cap_bytes - got.body.size());
      got.problem = FileRead::Problem::cut;
      break;
    }
    got.body.append(piece.data(), bytes);
  }
}

}  // namespace

bool is_file_address(std::string_view address) { return starts_ignoring_case(address, "file://"); }

std::string file_address(std::string_view path) {
  const CurlUrl url(curl_url(), curl_url_cleanup);
  const std::string whole(path);
  if (!url || holds_nul(whole) ||
      curl_url_set(url.get(), CURLUPART_SCHEME, "file", CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_PATH, whole.c_str(), CURLU_URLENCODE) != CURLUE_OK)
    return "file://" + whole;
  char* address = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &address, 0) != CURLUE_OK) return "file://" + whole;
  std::string made = address;
  curl_free(address);
  return made;
}

std::string path_reference(std::string_view path) {
  std::string reference;
  for (std::size_t from = 0; from <= path.size();) {
    const std::size_t end = std::min(path.find('/', from), path.size());
    const std::string_view part = path.substr(from, end - from);
    char* escaped = curl_easy_escape(nullptr, part.data(), static_cast<int>(part.size()));
    if (escaped == nullptr) throw std::bad_alloc();
    reference += escaped;
    curl_free(escaped);
    if (end < path.size()) reference += '/';
    from = end + 1;
  }
  return reference;
}

Retrieval read_local_file(const std::string& address) {
  const std::optional<std::string> path = path_of(address);
  if (!path) return failed_for(EINVAL);
  return read_file(*path);
}

FileRead read_capped_file(const std::string& path) {
  const OpenFile file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.descriptor < 0) return {{}, FileRead::Problem::cannot_read, errno};
  struct stat about {};
  if (fstat(file.descriptor, &about) != 0) return {{}, FileRead::Problem::cannot_read, errno};
  if (!S_ISREG(about.st_mode)) return {{}, FileRead::Problem::not_a_file, 0};
  FileRead got;
  try {
    read_all(file.descriptor, got);
  } catch (const std::bad_alloc&) {
    return {{}, FileRead::Problem::out_of_memory, 0};
  }
  return got;
}

Retrieval read_file(const std::string& path) {
  FileRead read = read_capped_file(path);
  switch (read.problem) {
    case FileRead::Problem::cannot_read:
      return failed_for(read.error);
    case FileRead::Problem::not_a_file:
      return failed(std::string(message::not_a_file) + path);
    case FileRead::Problem::out_of_memory: {
      Retrieval got = failed(std::string(message::out_of_memory));
      got.stop = TransferStop::out_of_memory;
      return got;
    }
    case FileRead::Problem::cut:
    case FileRead::Problem::none:
      break;
  }
  Retrieval got;
  got.body = std::move(read.body);
  got.responded = true;
  if (read.problem == FileRead::Problem::cut) {
    got.stop = TransferStop::cut;
    got.failure = message::page_cut();
  }
  return got;
}
