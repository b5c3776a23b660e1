// Web access as plain functions: address normalisation, the watch over a
// transfer's silence, and the line that says why a transfer failed.
#include "web/web.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/ascii.h"
#include "browser/navigation.h"
#include "web/transfer.h"

namespace {

TEST(NormalizeUrl, ForcesPlainHttp) {
  struct Case {
    std::string typed, address, notice;
  };
  const Case cases[] = {
      {"server/page", "http://server/page", ""},
      {"http://server", "http://server", ""},
      {"HTTP://SERVER", "HTTP://SERVER", ""},
      {"https://server/a", "http://server/a", "HTTPS NOT SUPPORTED\n"},
      {"HTTPS://server", "http://server", "HTTPS NOT SUPPORTED\n"},
      {"https://", "http://", "HTTPS NOT SUPPORTED\n"},
      {"Https://server", "http://Https://server", ""},
      {"http:/server", "http://http:/server", ""},
      {"ftp://server", "http://ftp://server", ""},
      {"http:/", "http://http:/", ""},
      {"", "http://", ""},
  };
  for (const Case& c : cases) {
    const NormalizedUrl normalized = normalize_url(c.typed);
    EXPECT_EQ(normalized.address, c.address) << c.typed;
    EXPECT_EQ(normalized.was_https ? "HTTPS NOT SUPPORTED\n" : "", c.notice) << c.typed;
    std::string listed = "l: ";  // as the links are listed: the same address, the notice after it
    append_followed_address(listed, c.typed);
    EXPECT_EQ(listed, "l: " + c.address + (c.notice.empty() ? "" : " (HTTPS NOT SUPPORTED)"));
  }
}

// An address offered at the prompt from the network is one word, shown as
// it is sent.
// A site's check follows only links that stay on its site.
TEST(SiteOf, IsSchemeHostAndPortAsRetrieved) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://127.0.0.1/a.txt", "http://127.0.0.1:80"},
      {"HTTP://127.0.0.1:80/b?c#d", "http://127.0.0.1:80"},
      {"http://Example.ORG:8080", "http://example.org:8080"},
      {"http://user@127.0.0.1:81/", "http://127.0.0.1:81"},
      {"http://[::1]:8080/x", "http://[::1]:8080"},
      {"http://", ""},
      {"http://host:99999/", ""},
      {std::string("http://127.0.0.1\0.2/", 21), ""},
  };
  for (const auto& [address, site] : cases) EXPECT_EQ(site_of(address), site) << address;
}

// Two spellings of one page, as a server reads them, are one address.
TEST(CanonicalAddress, IsWhatTheServerReads) {
  const std::pair<std::string, std::string> cases[] = {
      {"HTTP://Host.Example:80/a/./b/../c.txt#frag", "http://host.example/a/c.txt"},
      {"http://h:09200/x", "http://h:9200/x"},
      {"http://h/%7euser/%41%2f%zz%", "http://h/~user/A%2F%zz%"},
      {"http://h/%2E%2E/x", "http://h/x"},  // decoded before the dots are resolved
      {"http://h", "http://h/"},
      {"http://h/a?b=%61#x", "http://h/a?b=a"},
      {"http://h/a//b/", "http://h/a//b/"},
      {"http://[::1]:80/x", "http://[::1]/x"},
      {std::string("http://h/\0x", 11), ""},
      {"http://", ""},
  };
  for (const auto& [address, canonical] : cases) {
    EXPECT_EQ(canonical_address(address), canonical);
    // One that cannot be read is its own one spelling.
    EXPECT_EQ(canonical_or_given(address), canonical.empty() ? address : canonical);
  }
}

// A name is an address when it starts with a scheme written in full.
TEST(SchemeWritten, IsALetterThenSchemeBytesThenColonSlashSlash) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"http://h/p", "http"}, {"svn+ssh.v-2://h", "svn+ssh.v-2"},
      {"FILE:///p", "FILE"},  {"page.txt", ""},
      {"2http://h", ""},      {"./a://b", ""},
      {"://h", ""},           {"http:/h", ""},
      {"dir/x://h", ""},
  };
  for (const auto& [name, scheme] : cases) EXPECT_EQ(scheme_written(name), scheme) << name;
}

TEST(PercentEncoded, LeavesOnlyPrintableAscii) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://h/a?b=c&d#e~%41", "http://h/a?b=c&d#e~%41"},
      {"http://h/a b\td", "http://h/a%20b%09d"},
      {"\x1b]0;x\a\x7f", "%1B]0;x%07%7F"},
      {"\xc2\x9b\xe9\xff", "%C2%9B%E9%FF"},
      {std::string("a\0b", 3), "a%00b"},
      {"", ""},
  };
  for (const auto& [address, sent] : cases)
    EXPECT_EQ(percent_encoded(address), sent) << testing::PrintToString(address);
}

// The trail b goes back through at a terminal: the oldest page goes once it
// is full, and b takes the most recent.
TEST(Trail, KeepsTheNewestPages) {
  NavigationState nav;
  for (std::size_t n = 0; n <= longest_trail; ++n) put_on_trail(nav, "p" + std::to_string(n));
  EXPECT_EQ(nav.trail.size(), longest_trail);
  EXPECT_EQ(nav.trail.front(), "p1");
  EXPECT_EQ(nav.previous_url, "p" + std::to_string(longest_trail));
  EXPECT_EQ(take_off_trail(nav), "p" + std::to_string(longest_trail));
  EXPECT_EQ(nav.previous_url, "p" + std::to_string(longest_trail - 1));
  nav.trail.resize(1);
  EXPECT_EQ(take_off_trail(nav), "p1");
  EXPECT_EQ(nav.previous_url, "");
  EXPECT_EQ(take_off_trail(nav), "");
}

// The address prompt, which navigation keeps beside the command loop.
TEST(PromptUrl, ReadsOneWordAndLeavesTheRest) {
  std::istringstream in("  \t server/a  https://b ? file:///x\n\n");
  std::ostringstream out;
  Console piped({}, in, out, out);  // where ? and file:// are addresses like any other
  EXPECT_EQ(prompt_url(piped, "help").word, "http://server/a");
  EXPECT_EQ(prompt_url(piped, "help").word, "http://b");
  EXPECT_EQ(prompt_url(piped, "help").word, "http://?");
  EXPECT_EQ(prompt_url(piped).word, "http://file:///x");
  EXPECT_EQ(prompt_url(piped).word, "http://");
  EXPECT_EQ(out.str(),
            "Enter URL: Enter URL: HTTPS NOT SUPPORTED\nEnter URL: Enter URL: Enter URL: ");
}

// A server is taken to have stopped after the limit with fewer than 60 bytes
// arriving, counted from when the last 60 had come: nothing at all, or a
// byte now and then.
TEST(SilenceWatch, EndsWhenTooFewBytesArriveInAMinute) {
  using namespace std::chrono_literals;
  struct Check {
    TransferClock::duration at;
    curl_off_t total;
    bool too_long;
  };
  const std::vector<std::vector<Check>> watches = {
      {{0s, 0, false}, {59s, 0, false}, {60s, 0, true}},
      {{10s, 60, false}, {69s, 60, false}, {70s, 60, true}},
      {{12s, 1, false}, {24s, 2, false}, {48s, 4, false}, {60s, 5, true}},
      {{10s, 59, false}, {59s, 59, false}, {60s, 59, true}},
      {{59s, 60, false},
       {118s, 120, false},
       {177s, 180, false},
       {236s, 180, false},
       {237s, 180, true}},
      {{1s, 0, false}, {61s, 0, true}, {62s, 60, false}},
  };
  for (std::size_t w = 0; w < watches.size(); ++w) {
    const TransferClock::time_point start{};
    SilenceWatch watch{longest_silence, start};
    for (const Check& check : watches[w])
      EXPECT_EQ(watch.too_long(check.total, start + check.at), check.too_long)
          << "watch " << w << " at "
          << std::chrono::duration_cast<std::chrono::seconds>(check.at).count() << " s";
  }
  EXPECT_EQ(longest_silence, 60s);
}

// The status line of a slow load: how much of the announced length, or how
// much and how fast, or how long nothing has come.
TEST(StatusText, SaysHowFarAndHowLong) {
  using namespace std::chrono_literals;
  struct Case {
    curl_off_t received, expected;
    TransferClock::duration elapsed, silent;
    std::string text;
  };
  constexpr curl_off_t mib = 1 << 20;
  const Case cases[] = {
      {96, 0, 4s, 0s, "RECEIVED 96 B (24 B/S)"},
      {1258291, 0, 2s, 0s, "RECEIVED 1.2 MIB (614 KIB/S)"},
      {0, 0, 1s, 1s, "RECEIVED 0 B (0 B/S)"},
      {22, 96, 2s, 0s, "RECEIVED 22 OF 96 B (22%)"},
      {1258291, 33240269, 2s, 0s, "RECEIVED 1.2 OF 31.7 MIB (3%)"},
      {3 * 1024, 340 * 1024, 2s, 0s, "RECEIVED 3 OF 340 KIB (0%)"},
      {64 * mib, 64 * mib, 9s, 0s, "RECEIVED 64.0 OF 64.0 MIB (100%)"},
      {200, 100, 2s, 0s, "RECEIVED 200 OF 100 B (100%)"},
      {22, 96, 9s, 4999ms, "RECEIVED 22 OF 96 B (22%)"},
      {22, 96, 9s, 5s, "NOTHING RECEIVED FOR 5 S"},
      {0, 0, 12s, 12s, "NOTHING RECEIVED FOR 12 S"},
      {0, 0, 60s, 59900ms, "NOTHING RECEIVED FOR 59 S"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(status_text({c.received, c.expected, c.elapsed, c.silent}), c.text + ", CTRL-C STOPS")
        << c.text;
}

// The line that says why a transfer failed or brought no page.
TEST(FailureLine, SaysWhyInOneLine) {
  struct Case {
    TransferEnd end;
    std::string line;
  };
  auto end = [](CURLcode result, long status) {
    TransferEnd made;
    made.result = result;
    made.status = status;
    return made;
  };
  auto failed = [&end](CURLcode result) {
    TransferEnd made = end(result, 0);
    made.stop = TransferStop::failed;
    return made;
  };
  TransferEnd stopped = end(CURLE_ABORTED_BY_CALLBACK, 0), stalled = stopped;
  stopped.stop = TransferStop::stopped;
  stalled.stop = TransferStop::stalled;
  TransferEnd cut = end(CURLE_WRITE_ERROR, 200), moved = end(CURLE_OK, 301);
  cut.stop = TransferStop::cut;
  moved.moved_to = "http://127.0.0.1/\x1b[2J";
  const Case cases[] = {
      {end(CURLE_OK, 200), ""},
      {end(CURLE_OK, 204), ""},
      {end(CURLE_OK, 0), ""},
      {end(CURLE_OK, 404), "HTTP STATUS 404"},
      {end(CURLE_OK, 199), "HTTP STATUS 199"},
      {end(CURLE_OK, 300), "HTTP STATUS 300"},
      // As the server sent it: each stream shows it safely by its own rule.
      {moved, "HTTP STATUS 301, MOVED TO http://127.0.0.1/\x1b[2J"},
      {failed(CURLE_COULDNT_CONNECT), "RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER"},
      {stopped, "RETRIEVAL STOPPED"},
      {stalled, "RETRIEVAL FAILED: NOTHING ARRIVED FOR 60 SECONDS"},
      {cut, "PAGE CUT AT 64 MIB"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(failure_line(c.end), c.line) << c.end.result << " " << c.end.status;
}

}  // namespace
