// Watching a transfer while it runs: a server that stops sending ends it, the
// caller's watch may stop it, and the words that say how far it has come.
#include <algorithm>
#include <array>
#include <cstdio>

#include "web/transfer.h"

namespace {

using namespace std::chrono_literals;

constexpr auto quiet_for_long = 5s;  // silence this long is said as such

// A unit to show an amount of bytes in, as people read it: 512 B, 340 KIB,
// 1.2 MIB.
struct Unit {
  double bytes;
  const char* name;
  int decimals;
};

Unit unit_for(double bytes) {
  if (bytes < 1024) return {1, "B", 0};
  if (bytes < 1024.0 * 1024) return {1024, "KIB", 0};
  if (bytes < 1024.0 * 1024 * 1024) return {1024.0 * 1024, "MIB", 1};
  return {1024.0 * 1024 * 1024, "GIB", 1};
}

std::string number_in(double bytes, const Unit& unit) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.*f", unit.decimals, bytes / unit.bytes);
  return text.data();
}

std::string amount(double bytes) {
  const Unit unit = unit_for(bytes);
  return number_in(bytes, unit) + " " + unit.name;
}

}  // namespace

std::string status_text(const TransferProgress& progress) {
  const auto [received, expected, elapsed, silent] = progress;
  const std::string stops = ", CTRL-C STOPS";
  if (silent >= quiet_for_long)
    return "NOTHING RECEIVED FOR " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(silent).count()) + " S" +
           stops;
  const auto bytes = static_cast<double>(received);
  if (expected > 0) {
    const Unit unit = unit_for(static_cast<double>(expected));
    const long long percent = std::min<long long>(received * 100 / expected, 100);
    return "RECEIVED " + number_in(bytes, unit) + " OF " +
           number_in(static_cast<double>(expected), unit) + " " + unit.name + " (" +
           std::to_string(percent) + "%)" + stops;
  }
  const double seconds = std::chrono::duration<double>(elapsed).count();
  return "RECEIVED " + amount(bytes) + " (" + amount(seconds > 0 ? bytes / seconds : 0) + "/S)" +
         stops;
}

bool SilenceWatch::too_long(curl_off_t total, TransferClock::time_point now) {
  if (total != arrived) {
    arrived = total;
    last_arrival = now;
  }
  if (total - arrived_then >= least_bytes_a_minute) {
    arrived_then = total;
    counted_since = now;
    return false;
  }
  return now - counted_since >= limit;
}

extern "C" int watch_transfer(void* transfer_data, curl_off_t expected_down, curl_off_t down,
                              curl_off_t /*expected_up*/, curl_off_t /*up*/) {
  auto& transfer = *static_cast<Transfer*>(transfer_data);
  const auto now = TransferClock::now();
  long header_bytes = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_HEADER_SIZE, &header_bytes);
  const bool stalled = transfer.silence.too_long(down + header_bytes, now);
  if (transfer.watch && transfer.watch({down, expected_down, now - transfer.started,
                                        now - transfer.silence.last_arrival})) {
    transfer.stop = TransferStop::stopped;
    return 1;
  }
  if (stalled) transfer.stop = TransferStop::stalled;
  return stalled ? 1 : 0;
}
