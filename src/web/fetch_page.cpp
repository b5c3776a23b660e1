// Retrieving a page body over HTTP with libcurl's easy interface: default
// options, no redirects followed, every failure silent.
#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "console/console.h"
#include "web/web.h"

namespace {

// A server that streams forever must not take the machine's memory: past this
// size the transfer is stopped and what arrived is the page.
constexpr std::size_t max_body_bytes = std::size_t{64} << 20;

// The body being received, and the transfer it comes from.
struct BodyBuffer {
  std::string body;
  CURL* transfer;
};

// Room for the whole body at once when the server announces its length: a big
// page then arrives without being copied and re-copied as it grows.
void reserve_announced_length(BodyBuffer& buffer) {
  curl_off_t length = -1;
  curl_easy_getinfo(buffer.transfer, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (length > 0) buffer.body.reserve(std::min(static_cast<std::size_t>(length), max_body_bytes));
}

// libcurl's write callback. Declining data (returning less than was offered)
// makes libcurl end the transfer.
extern "C" std::size_t write_body(char* data, std::size_t size, std::size_t count,
                                  void* body_buffer) {
  auto& buffer = *static_cast<BodyBuffer*>(body_buffer);
  std::string& body = buffer.body;
  const std::size_t bytes = size * count;
  try {
    if (body.empty()) reserve_announced_length(buffer);
    const std::size_t room = max_body_bytes - body.size();
    if (bytes > room) {
      body.append(data, room);
      return 0;
    }
    body.append(data, bytes);
    return bytes;
  } catch (...) {
    return 0;
  }
}

// libcurl's global state is set up once per process and never torn down.
void init_curl_once() {
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_ALL);
  (void)initialised;
}

using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

}  // namespace

std::string fetch_page(const std::string& url, std::ostream& out) {
  std::string line = "CONNECTING TO ";
  append_visible(line, url);
  out << line << '\n' << std::flush;

  init_curl_once();
  CurlHandle curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) return {};
  BodyBuffer buffer{{}, curl.get()};
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, write_body);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &buffer);
  curl_easy_perform(curl.get());
  return std::move(buffer.body);
}
