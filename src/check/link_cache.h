// Inside the check: verdicts on links to other sites kept between runs in a
// file (--cache), so that a run retrieves only what failed or grew old.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "check/check_report.h"

struct CachedVerdict {
  LinkVerdict verdict;
  std::int64_t checked = 0;  // when, in seconds since 1970
};

struct LinkCache {
  std::string path;  // empty: no cache
  std::chrono::seconds age{};
  std::int64_t now = 0;
  std::unordered_map<std::string, CachedVerdict> verdicts{};  // by address as a server reads it
  std::size_t used = 0;                                       // verdicts this run took from it
};

// The cache in `path` as it stands at `now`. A file that cannot be read as
// one is set aside as PATH.damaged and never trusted; `warning` says so.
LinkCache open_cache(const std::string& path, std::chrono::seconds age, std::int64_t now,
                     std::optional<std::string>& warning);

// The verdict the cache holds on `address` when it is good and younger than
// the cache's age, counted as used; none otherwise.
std::optional<LinkVerdict> fresh_verdict(LinkCache& cache, const std::string& address);

// Keeps this run's verdict on `address`.
void remember(LinkCache& cache, const std::string& address, const LinkVerdict& verdict);

// The cache's text: the verdicts still worth keeping, the newest first and
// at most a bounded number of them.
std::string cache_text(const LinkCache& cache);

// Writes the cache whole (a temporary file, then a rename); why it could not, if not.
std::optional<std::string> save_cache(const LinkCache& cache);

// The run's cache, as --cache and --cache-age ask, its warning said; one
// without a path when none is asked for.
LinkCache load_cache(const CheckOptions& options, Console& console);
// Saves the run's cache, if it has one, and says why not when it cannot.
void store_cache(const LinkCache& cache, Console& console);
