// Watching a transfer while it runs: a server that stops sending ends it,
// and at a terminal, after a second, one line says how much has arrived and
// how fast, and Ctrl-C stops it.
#include <array>
#include <cstdio>
#include <new>

#include "console/console.h"
#include "web/transfer.h"

namespace {

using namespace std::chrono_literals;

constexpr auto quiet_start = 1s;         // a load this quick needs no status line
constexpr auto status_interval = 250ms;  // at most four times a second

// An amount of bytes as people read it: 512 B, 340 KIB, 1.2 MIB.
std::string amount(double bytes) {
  std::array<char, 32> text{};
  if (bytes < 1024) {
    std::snprintf(text.data(), text.size(), "%.0f B", bytes);
  } else if (bytes < 1024.0 * 1024) {
    std::snprintf(text.data(), text.size(), "%.0f KIB", bytes / 1024);
  } else if (bytes < 1024.0 * 1024 * 1024) {
    std::snprintf(text.data(), text.size(), "%.1f MIB", bytes / (1024.0 * 1024));
  } else {
    std::snprintf(text.data(), text.size(), "%.1f GIB", bytes / (1024.0 * 1024 * 1024));
  }
  return text.data();
}

void write_status(Transfer& transfer, curl_off_t received, TransferClock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - transfer.started).count();
  const auto bytes = static_cast<double>(received);
  show_status("RECEIVED " + amount(bytes) + " (" + amount(bytes / seconds) + "/S), CTRL-C STOPS",
              transfer.out);
  transfer.status_shown = true;
  transfer.status_written = now;
}

}  // namespace

bool SilenceWatch::too_long(curl_off_t total, TransferClock::time_point now) {
  if (total != arrived) {
    arrived = total;
    last_arrival = now;
    return false;
  }
  return now - last_arrival >= limit;
}

extern "C" int watch_transfer(void* transfer_data, curl_off_t /*expected_down*/, curl_off_t down,
                              curl_off_t /*expected_up*/, curl_off_t /*up*/) {
  auto& transfer = *static_cast<Transfer*>(transfer_data);
  if (take_ctrl_c()) {
    transfer.interrupted = true;
    return 1;
  }
  const auto now = TransferClock::now();
  long header_bytes = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_HEADER_SIZE, &header_bytes);
  if (transfer.silence.too_long(down + header_bytes, now)) {
    transfer.stalled = true;
    return 1;
  }
  if (!at_terminal()) return 0;
  if (now - transfer.started >= quiet_start && now - transfer.status_written >= status_interval) {
    try {
      write_status(transfer, down, now);
    } catch (const std::bad_alloc&) {
      // No room for the status line: the transfer goes on without it.
    }
  }
  return 0;
}
