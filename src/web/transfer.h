// Inside web access: one transfer as it runs, its body arriving and the
// watch kept over it.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

struct Transfer {
  using Clock = std::chrono::steady_clock;

  Transfer(CURL* curl, std::ostream& out) : curl(curl), out(out) {}

  CURL* curl;
  std::ostream& out;
  std::string body;
  std::string_view stopped_because;  // why write_body declined data, if it did
  bool out_of_memory = false;
  std::size_t mapped = 0;  // how much of the body's room is mapped
  // The watch: a transfer that stalls, and at a terminal Ctrl-C and the
  // status line.
  Clock::time_point started = Clock::now();
  Clock::time_point last_arrival = started;
  curl_off_t arrived = 0;  // bytes of headers and body
  Clock::time_point status_written{};
  bool status_shown = false;
  bool interrupted = false;
  bool stalled = false;
};

// libcurl's write callback: appends what arrives to the transfer's body.
extern "C" std::size_t write_body(char* data, std::size_t size, std::size_t count, void* transfer);

// libcurl's progress callback, which it calls often while a transfer runs,
// waiting or not, at least once a second: stops the transfer (a non-zero
// answer) when nothing has arrived for a minute or, at a terminal, when
// Ctrl-C is pressed, and keeps the status line there.
extern "C" int watch_transfer(void* transfer, curl_off_t expected_down, curl_off_t down,
                              curl_off_t expected_up, curl_off_t up);
