// Inside web access: one transfer as it runs, its body arriving and the
// watch kept over it, and the sums of that watch as plain functions.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "base/limits.h"
#include "web/web.h"

using TransferClock = std::chrono::steady_clock;

// Whether a transfer has stalled: fewer than least_bytes_a_minute arrived in
// the limit's time, counted from when the last such amount had come, so that
// a server keeping up that pace is never cut. Header bytes count once whole.
struct SilenceWatch {
  TransferClock::duration limit;
  TransferClock::time_point last_arrival;  // of any byte, for the status line
  curl_off_t arrived = 0;                  // bytes of headers and body so far
  TransferClock::time_point counted_since{last_arrival};
  curl_off_t arrived_then = 0;

  // Notes that `total` bytes have arrived by `now`; true once too few have
  // arrived for the whole limit.
  bool too_long(curl_off_t total, TransferClock::time_point now);
};

struct Transfer {
  Transfer(CURL* curl, const TransferWatch& watch) : curl(curl), watch(watch) {}

  CURL* curl;
  const TransferWatch& watch;  // may be empty
  std::string body;
  // Why write_body or the watch ended the transfer early, if one did.
  TransferStop stop = TransferStop::none;
  std::size_t mapped = 0;  // how much of the body's room is mapped
  // The watch: a transfer that stalls, and the caller's, which may stop it.
  TransferClock::time_point started = TransferClock::now();
  SilenceWatch silence{longest_silence, started};
};

// How a transfer ended, as far as the line that says why it failed needs.
struct TransferEnd {
  CURLcode result = CURLE_OK;
  long status = 0;            // the HTTP status, 0 when none came
  std::string_view moved_to;  // a redirect's target, as the server sent it
  TransferStop stop = TransferStop::none;
};

// How a transfer ended, read from libcurl and the transfer's own notes; it
// points into both. A result other than CURLE_OK that neither the transfer
// nor its watch caused is TransferStop::failed.
TransferEnd end_of(const Transfer& transfer, CURLcode result);

void init_curl_once();  // libcurl's global state, set up once per process

// An address libcurl would read only up to its first NUL byte: it is not
// retrieved at all, so that what was shown is never other than what is
// fetched.
inline bool holds_nul(const std::string& url) { return url.find('\0') != std::string::npos; }

using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using CurlUrl = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

// An address as libcurl's URL API reads it; null when it cannot be read or
// holds a NUL byte.
CurlUrl parsed_address(const std::string& address);
// One part of a parsed address; empty when it has none.
std::string part_of(CURLU* url, CURLUPart part, unsigned flags = 0);

// A file:// address, read from disk: only a regular file, opened without
// waiting, up to the cap.
Retrieval read_local_file(const std::string& address);

// The one line that says why a transfer failed or brought no page, empty
// when it did not: libcurl's error, a status outside 2xx (and where a
// redirect points, as the server sent it), the cap, the watch, the minute of
// silence.
std::string failure_line(const TransferEnd& end);

// libcurl's write callback: appends what arrives to the transfer's body.
extern "C" std::size_t write_body(char* data, std::size_t size, std::size_t count, void* transfer);

// libcurl's progress callback, which it calls often while a transfer runs,
// waiting or not, at least once a second: stops the transfer (a non-zero
// answer) when nothing has arrived for a minute or the caller's watch says so.
extern "C" int watch_transfer(void* transfer, curl_off_t expected_down, curl_off_t down,
                              curl_off_t expected_up, curl_off_t up);
