// The pieces an author's CI leans on, as plain functions: when a busy server
// is asked again, which cached verdicts a run may trust, what the cache file
// keeps.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <fstream>

#include "check/check_report.h"
#include "check/language_server.h"
#include "check/link_cache.h"
#include "web/web.h"

namespace {

using std::chrono::milliseconds;

// A new folder of the test's own under /tmp.
std::string test_folder() {
  char folder[] = "/tmp/linebrowse-ci-XXXXXX";
  return mkdtemp(folder) == nullptr ? "/nonexistent" : folder;
}
using Verdict = RetryWait::Verdict;

TEST(RetryWait, FollowsTheServerUpToAMinuteElseDoubles) {
  const std::time_t now = 1'800'000'000;  // Sun, 15 Jan 2027 08:00:00 GMT
  struct Row {
    long status;
    bool reset;
    std::string retry_after;
    std::size_t tries_done;
    Verdict verdict;
    milliseconds wait;
  };
  const Row rows[] = {
      {200, false, "", 0, Verdict::give_up, {}},
      {404, false, "1", 0, Verdict::give_up, {}},  // Retry-After alone asks nothing
      {429, false, "", 0, Verdict::again, milliseconds(1000)},
      {503, false, "", 1, Verdict::again, milliseconds(2000)},
      {502, false, "", 2, Verdict::give_up, {}},  // two retries made
      {0, true, "", 0, Verdict::again, milliseconds(1000)},
      {504, false, "7", 0, Verdict::again, milliseconds(7000)},
      {429, false, "60", 1, Verdict::again, milliseconds(60000)},
      {429, false, "61", 0, Verdict::too_long, milliseconds(61000)},
      {429, false, "3600", 2, Verdict::too_long, milliseconds(3600000)},
      {429, false, "Fri, 15 Jan 2027 08:00:30 GMT", 0, Verdict::again, milliseconds(30000)},
      {429, false, "Fri, 15 Jan 2027 09:00:00 GMT", 0, Verdict::too_long, milliseconds(3600000)},
      {429, false, "soon", 1, Verdict::again, milliseconds(2000)},
      {429, false, "99999999999999999999", 0, Verdict::too_long,
       std::chrono::duration_cast<milliseconds>(std::chrono::seconds(LLONG_MAX / 1000))},
  };
  Politeness polite;
  for (const Row& row : rows) {
    const RetryWait wait =
        retry_wait({row.status, row.reset, row.retry_after}, row.tries_done, polite, now);
    EXPECT_EQ(wait.verdict, row.verdict) << row.status << " " << row.retry_after;
    if (row.verdict != Verdict::give_up) {
      EXPECT_EQ(wait.wait, row.wait) << row.status << " " << row.retry_after;
    }
  }
  polite.retries = 0;
  EXPECT_EQ(retry_wait({429, false, ""}, 0, polite, now).verdict, Verdict::give_up);
  EXPECT_EQ(retry_wait({429, false, "3600"}, 0, polite, now).verdict, Verdict::too_long)
      << "a wait too long is said, retries or not";
}

// A good verdict is trusted while younger than the cache's age; a failed one never.
TEST(LinkCache, TrustsOnlyGoodVerdictsYoungerThanItsAge) {
  const std::string path = test_folder() + "/links.cache";
  const std::int64_t day = 86400;
  std::optional<std::string> warning;
  LinkCache first = open_cache(path, std::chrono::seconds(day), 1000 * day, warning);
  EXPECT_FALSE(warning) << "no file yet is no fault";
  remember(first, "http://127.0.0.1:1/a", {});
  remember(first, "http://127.0.0.1:1/b", {LinkVerdict::Outcome::status, "HTTP STATUS 404", 404});
  ASSERT_FALSE(save_cache(first));
  struct Row {
    std::int64_t now;
    std::string address;
    bool trusted;
  };
  const Row rows[] = {
      {1000 * day, "http://127.0.0.1:1/a", true},  {1001 * day - 1, "http://127.0.0.1:1/a", true},
      {1001 * day, "http://127.0.0.1:1/a", false},  // a day old
      {999 * day, "http://127.0.0.1:1/a", false},   // from the future: the clock moved
      {1000 * day, "http://127.0.0.1:1/b", false},  // failed
      {1000 * day, "http://127.0.0.1:1/c", false},  // never seen
  };
  for (const Row& row : rows) {
    LinkCache cache = open_cache(path, std::chrono::seconds(day), row.now, warning);
    EXPECT_FALSE(warning);
    EXPECT_EQ(fresh_verdict(cache, row.address).has_value(), row.trusted)
        << row.address << " at " << row.now;
    EXPECT_EQ(cache.used, row.trusted ? 1U : 0U);
  }
  LinkCache later = open_cache(path, std::chrono::seconds(day), 1001 * day, warning);
  remember(later, "http://127.0.0.1:1/c", {});
  EXPECT_EQ(cache_text(later).find("http://127.0.0.1:1/a"), std::string::npos)
      << "verdicts past their age are dropped, so the file stays bounded";
  EXPECT_NE(cache_text(later).find("http://127.0.0.1:1/c"), std::string::npos);
}

TEST(LinkCache, ADamagedFileIsSetAsideNeverTrusted) {
  const std::string path = test_folder() + "/damaged.cache";
  for (const std::string text :
       {"{\"linebrowse-link-cache\":1,\"links\":[{\"address\":\"http://127.0.0.1:1/a\"}]}", "{ cut",
        "[]",
        "{\"linebrowse-link-cache\":1,\"links\":[{\"address\":\"http://127.0.0.1:1/"
        "a\",\"checked\":1,"
        "\"outcome\":\"fine\",\"status\":0,\"why\":\"\"}]}"}) {
    std::ofstream(path) << text;
    std::optional<std::string> warning;
    LinkCache cache = open_cache(path, std::chrono::seconds(100), 2, warning);
    ASSERT_TRUE(warning) << text;
    EXPECT_EQ(*warning, path + ": not a cache of link verdicts, set aside as " + path +
                            ".damaged: every link is retrieved again");
    EXPECT_TRUE(cache.verdicts.empty()) << text;
    std::ifstream aside(path + ".damaged");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(aside), {}), text);
  }
}

// Positions as the editor counts them: UTF-8 bytes, or UTF-16 units, in which
// a character past U+FFFF takes two.
TEST(LspText, PositionsCountAsAgreed) {
  const std::string text = "0:T||-\n1:\xc3\xa9\xf0\x9f\x98\x80x||-\n";  // é, an emoji, x
  struct Row {
    PositionEncoding encoding;
    Position position;
    std::optional<std::size_t> offset;
  };
  const Row rows[] = {
      {PositionEncoding::utf16, {1, 3}, 11},  // after é: 2 + 2 bytes
      {PositionEncoding::utf16, {1, 5}, 15},  // after the emoji's two units
      {PositionEncoding::utf8, {1, 4}, 11},
      {PositionEncoding::utf16, {1, 99}, 19},  // past the line's end: its end
      {PositionEncoding::utf16, {5, 0}, std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(offset_of(text, row.position, row.encoding), row.offset)
        << row.position.line << ":" << row.position.character;
  EXPECT_EQ(
      position_in_line(1, "1:\xc3\xa9\xf0\x9f\x98\x80x||-", 8, PositionEncoding::utf16).character,
      5U);
}

}  // namespace
