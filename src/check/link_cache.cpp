// The file of link verdicts: JSON, read whole or set aside when damaged,
// written whole, holding only verdicts that a later run can use.
#include "check/link_cache.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/user_files.h"
#include "web/web.h"

namespace {

using Json = nlohmann::ordered_json;

// The file's first key, which says what it is and in which form.
constexpr std::string_view format_key = "linebrowse-link-cache";
constexpr int format_version = 1;

// At most this many verdicts are kept: the links of a big site, in a file
// of a few MiB.
constexpr std::size_t most_verdicts = 100000;

using Outcome = LinkVerdict::Outcome;

std::string_view outcome_name(Outcome outcome) {
  switch (outcome) {
    case Outcome::good:
      return "good";
    case Outcome::not_retrieved:
      return "not-retrieved";
    case Outcome::status:
      return "status";
    case Outcome::not_a_page:
      break;
  }
  return "not-a-page";
}

std::optional<Outcome> outcome_named(const std::string& name) {
  for (const Outcome outcome :
       {Outcome::good, Outcome::not_retrieved, Outcome::status, Outcome::not_a_page})
    if (outcome_name(outcome) == name) return outcome;
  return std::nullopt;
}

// The verdicts of a cache file's text; none when it is not one, whole.
std::optional<std::unordered_map<std::string, CachedVerdict>> verdicts_in(const std::string& text) {
  const Json file = Json::parse(text, nullptr, false);
  if (!file.is_object() || file.value(format_key, 0) != format_version) return std::nullopt;
  const auto links = file.find("links");
  if (links == file.end() || !links->is_array()) return std::nullopt;
  std::unordered_map<std::string, CachedVerdict> verdicts;
  for (const Json& link : *links) {
    // Each key looked up with value(), which, unlike [] on a constant
    // object, is defined for a key that is missing.
    if (!link.is_object() || !link.value("address", Json()).is_string() ||
        !link.value("checked", Json()).is_number_integer() ||
        !link.value("outcome", Json()).is_string() ||
        !link.value("status", Json()).is_number_integer() || !link.value("why", Json()).is_string())
      return std::nullopt;
    const std::optional<Outcome> outcome = outcome_named(link["outcome"].get<std::string>());
    if (!outcome) return std::nullopt;
    verdicts[link["address"].get<std::string>()] = {
        {*outcome, link["why"].get<std::string>(), link["status"].get<long>()},
        link["checked"].get<std::int64_t>()};
  }
  return verdicts;
}

bool is_fresh(const LinkCache& cache, const CachedVerdict& cached) {
  return cached.checked <= cache.now && cache.now - cached.checked < cache.age.count();
}

}  // namespace

LinkCache open_cache(const std::string& path, std::chrono::seconds age, std::int64_t now,
                     std::optional<std::string>& warning) {
  LinkCache cache{path, age, now};
  FileRead file = read_capped_file(path);
  if (file.problem == FileRead::Problem::cannot_read && file.error == ENOENT) return cache;
  if (file.problem != FileRead::Problem::none) {
    std::string why = "over 64 MiB";
    if (file.problem == FileRead::Problem::cannot_read) why = std::strerror(file.error);
    if (file.problem == FileRead::Problem::not_a_file) why = "not a file";
    if (file.problem == FileRead::Problem::out_of_memory) why = "out of memory";
    warning = path + ": " + why + ": every link is retrieved again";
    return cache;
  }
  const std::string& text = file.body;
  if (text.empty()) return cache;
  if (auto verdicts = verdicts_in(text)) {
    cache.verdicts = std::move(*verdicts);
    return cache;
  }
  const std::string aside = path + ".damaged";
  warning = std::rename(path.c_str(), aside.c_str()) == 0
                ? path + ": not a cache of link verdicts, set aside as " + aside +
                      ": every link is retrieved again"
                : path + ": not a cache of link verdicts, and it cannot be set aside (" +
                      std::strerror(errno) + "): every link is retrieved again";
  return cache;
}

std::optional<LinkVerdict> fresh_verdict(LinkCache& cache, const std::string& address) {
  const auto found = cache.verdicts.find(address);
  if (found == cache.verdicts.end() || !found->second.verdict.good() ||
      !is_fresh(cache, found->second))
    return std::nullopt;
  ++cache.used;
  return found->second.verdict;
}

void remember(LinkCache& cache, const std::string& address, const LinkVerdict& verdict) {
  cache.verdicts[address] = {verdict, cache.now};
}

std::string cache_text(const LinkCache& cache) {
  std::vector<const std::pair<const std::string, CachedVerdict>*> kept;
  for (const auto& entry : cache.verdicts)
    if (is_fresh(cache, entry.second)) kept.push_back(&entry);
  // The newest first, then by address, so that one cache gives one text.
  std::sort(kept.begin(), kept.end(), [](const auto* a, const auto* b) {
    return a->second.checked != b->second.checked ? a->second.checked > b->second.checked
                                                  : a->first < b->first;
  });
  if (kept.size() > most_verdicts) kept.resize(most_verdicts);
  Json links = Json::array();
  for (const auto* entry : kept) {
    const LinkVerdict& verdict = entry->second.verdict;
    links.push_back({{"address", entry->first},
                     {"checked", entry->second.checked},
                     {"outcome", outcome_name(verdict.outcome)},
                     {"status", verdict.status},
                     {"why", verdict.why}});
  }
  Json file = {{format_key, format_version}, {"links", std::move(links)}};
  return file.dump(1, ' ', true, Json::error_handler_t::replace) + '\n';
}

std::optional<std::string> save_cache(const LinkCache& cache) {
  return write_whole(cache.path, cache_text(cache));
}

LinkCache load_cache(const CheckOptions& options, Console& console) {
  if (options.cache.empty()) return {};
  std::optional<std::string> warning;
  LinkCache cache = open_cache(options.cache, options.cache_age, std::time(nullptr), warning);
  if (warning) say_on_error(console, *warning);
  return cache;
}

void store_cache(const LinkCache& cache, Console& console) {
  if (cache.path.empty()) return;
  if (const std::optional<std::string> why = save_cache(cache))
    say_failure(console, cache.path, "cache not saved: " + *why);
}
