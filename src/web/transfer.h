// Inside web access: one transfer as it runs, its body arriving and the
// watch kept over it, and the sums of that watch as plain functions.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

using TransferClock = std::chrono::steady_clock;

// A minute without a byte, connecting included, and the server is taken to
// have stopped: a script must not wait for ever. libcurl counts header bytes
// only once their line is whole, so what arrives is a whole header line or a
// body byte: a server that sends either now and then is never cut.
inline constexpr std::chrono::seconds longest_silence{60};

// How long a transfer has gone without anything arriving.
struct SilenceWatch {
  TransferClock::duration limit;
  TransferClock::time_point last_arrival;
  curl_off_t arrived = 0;  // bytes of headers and body so far

  // Notes that `total` bytes have arrived by `now`; true once nothing new
  // has arrived for the whole limit.
  bool too_long(curl_off_t total, TransferClock::time_point now);
};

struct Transfer {
  Transfer(CURL* curl, std::ostream& out) : curl(curl), out(out) {}

  CURL* curl;
  std::ostream& out;
  std::string body;
  std::string_view stopped_because;  // why write_body declined data, if it did
  bool out_of_memory = false;
  std::size_t mapped = 0;  // how much of the body's room is mapped
  // The watch: a transfer that stalls, and at a terminal Ctrl-C and the
  // status line.
  TransferClock::time_point started = TransferClock::now();
  SilenceWatch silence{longest_silence, started};
  TransferClock::time_point status_written{};
  bool interrupted = false;
  bool stalled = false;
};

// How a transfer ended, as far as the line that says why it failed needs.
struct TransferEnd {
  CURLcode result = CURLE_OK;
  long status = 0;                   // the HTTP status, 0 when none came
  std::string_view moved_to;         // a redirect's target, as the server sent it
  std::string_view stopped_because;  // why write_body declined data, if it did
  bool interrupted = false;          // by Ctrl-C
  bool stalled = false;              // by the silence watch
};

// How a transfer ended, read from libcurl and the transfer's own notes; it
// points into both.
TransferEnd end_of(const Transfer& transfer, CURLcode result);

void init_curl_once();  // libcurl's global state, set up once per process

using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// The one line that says why a transfer failed or brought no page, empty
// when it did not: libcurl's error, a status outside 2xx (and where a
// redirect points), the cap, Ctrl-C, the minute of silence.
std::string failure_line(const TransferEnd& end);

// The status line of a load `elapsed` into it, `silent` since anything last
// arrived: how long nothing has come, once that is long enough to say; else
// how much of the announced length has come (`expected`, 0 when none was);
// else how much and how fast.
std::string status_text(curl_off_t received, curl_off_t expected, TransferClock::duration elapsed,
                        TransferClock::duration silent);

// libcurl's write callback: appends what arrives to the transfer's body.
extern "C" std::size_t write_body(char* data, std::size_t size, std::size_t count, void* transfer);

// libcurl's progress callback, which it calls often while a transfer runs,
// waiting or not, at least once a second: stops the transfer (a non-zero
// answer) when nothing has arrived for a minute or, at a terminal, when
// Ctrl-C is pressed, and keeps the status line there.
extern "C" int watch_transfer(void* transfer, curl_off_t expected_down, curl_off_t down,
                              curl_off_t expected_up, curl_off_t up);
