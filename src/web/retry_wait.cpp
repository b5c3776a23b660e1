// When a retrieval that a busy server turned away is tried again: as its
// Retry-After asks, up to a minute, or after 1 s, 2 s, 4 s and so on.
#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "web/web.h"

namespace {

// The most seconds a wait is said in: any more would not fit in milliseconds.
constexpr long long longest_said = std::numeric_limits<long long>::max() / 1000;

// The statuses of a server that is busy now and may answer later.
bool busy_status(long status) {
  return status == 429 || status == 502 || status == 503 || status == 504;
}

// The seconds a Retry-After value asks for: a count of seconds, or an HTTP
// date read by libcurl; none when it is neither.
std::optional<long long> seconds_asked(std::string_view retry_after, std::time_t now) {
  while (!retry_after.empty() && retry_after.front() == ' ') retry_after.remove_prefix(1);
  while (!retry_after.empty() && retry_after.back() == ' ') retry_after.remove_suffix(1);
  if (retry_after.empty()) return std::nullopt;
  long long seconds = 0;
  const auto [end, error] =
      std::from_chars(retry_after.data(), retry_after.data() + retry_after.size(), seconds);
  if (error == std::errc() && end == retry_after.data() + retry_after.size())
    return seconds < 0 ? std::nullopt : std::optional(std::min(seconds, longest_said));
  if (error == std::errc::result_out_of_range) return longest_said;
  const std::time_t date = curl_getdate(std::string(retry_after).c_str(), nullptr);
  if (date == -1) return std::nullopt;
  return date > now ? static_cast<long long>(date - now) : 0;
}

}  // namespace

RetryWait retry_wait(const TurnedAway& answer, std::size_t tries_done, const Politeness& polite,
                     std::time_t now) {
  if (!busy_status(answer.status) && !answer.connection_reset) return {};
  const std::optional<long long> asked =
      busy_status(answer.status) ? seconds_asked(answer.retry_after, now) : std::nullopt;
  if (asked && *asked > polite.longest_wait.count())
    return {RetryWait::Verdict::too_long, std::chrono::seconds(*asked)};
  if (tries_done >= polite.retries) return {};
  if (asked) return {RetryWait::Verdict::again, std::chrono::seconds(*asked)};
  // 1 s, 2 s, 4 s...: the shift is bounded, as a wait past a minute is no wait.
  const auto doubled =
      polite.first_wait * (std::int64_t{1} << std::min<std::size_t>(tries_done, 6));
  return {RetryWait::Verdict::again,
          std::min<std::chrono::milliseconds>(doubled, polite.longest_wait)};
}
