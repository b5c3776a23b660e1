// The browser against pages and servers that misbehave: it must never crash,
// hang, write to standard error or let page bytes drive the terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "support/loopback_server.h"
#include "support/run_program.h"
#include "support/sends_control.h"

namespace {

const std::string prompt = "Enter line number or command: ";

struct Hostile {
  const char* what;
  std::string path;
  Reply reply;
  std::string shown;  // what follows the CONNECTING TO line, up to the prompt
};

class HostileServerTest : public testing::Test {
 protected:
  ProgramRun visit(const std::string& path, const std::string& input = "") {
    return run_browser({"http://" + server.host() + path}, input);
  }

  static void expect_clean_end(const ProgramRun& run, const char* what) {
    EXPECT_TRUE(run.exited) << what << ": crashed or hung";
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_EQ(run.err, "") << what;
  }

  LoopbackServer server;
};

TEST_F(HostileServerTest, ShowsWhatArrivesHoweverItArrives) {
  using Style = Reply::Style;
  const std::string page = "0:Title||-\n1:Row|x|\\\n";
  const std::string shown = "TITLE: Title\n1: Row *\n";
  const std::string big_label(300000, 'L');
  const std::vector<Hostile> cases = {
      {"a body cut short", "/short", {page, "200 OK", Style::cut_short}, shown},
      {"a chunked body", "/chunked", {page, "200 OK", Style::chunked}, shown},
      {"a body arriving slowly", "/slow", {page, "200 OK", Style::slow}, shown},
      {"a body dripping in for two seconds: no status line through a pipe",
       "/drip",
       {page, "200 OK", Style::drip},
       shown},
      {"a 404 whose body is a page", "/missing", {page, "404 Not Found"}, shown},
      {"a 301 is not followed",
       "/moved",
       {page, "301 Moved Permanently", Style::whole, "Location: /elsewhere\r\n"},
       shown},
      {"no response at all", "/silent", {"", "", Style::raw}, "TITLE: \n"},
      {"a 300,000-byte label",
       "/big",
       {"0:Big||-\n1:" + big_label + "|t|\\\n"},
       "TITLE: Big\n1: " + big_label + " *\n"},
      {"a line of 200,000 colons",
       "/colons",
       {"0:T||-\n" + std::string(200000, ':') + "\n"},
       "ERROR DECODING PAGE\nTITLE: T\n"},
      {"a record number beyond 32 bits",
       "/huge",
       {"0:T||-\n1:A||\\\n4294967297:B||-\n"},
       "ERROR DECODING PAGE\nTITLE: T\n1: A \n"},
      {"control bytes in caret notation",
       "/controls",
       {"0:\x1b]0;owned\a\x1b[2J||-\n1:\r\x7f\tok\xc3\xa9|t|\\\n"},
       "TITLE: ^[]0;owned^G^[[2J\n1: ^M^?\tok\xc3\xa9 *\n"},
      {"C1 controls as cat -v shows them",
       "/c1",
       {"0:x\x9b"
        "2J\x9bH\xc2\x9b"
        "2J\xe9t\xe9||-\n"},
       "TITLE: xM-^[2JM-^[HM-BM-^[2J\xe9t\xe9\n"},
      {"UTF-8 whose bytes would be C1 controls to an 8-bit terminal passes a pipe",
       "/c1-in-utf8",
       {"0:Quote \xe2\x80\x9d"
        "0;PWNED\xe2\x80\x9c\xc3\xa9||-\n"},
       "TITLE: Quote \xe2\x80\x9d"
       "0;PWNED\xe2\x80\x9c\xc3\xa9\n"},
  };
  for (const Hostile& c : cases) server.route(c.path, c.reply);
  for (const Hostile& c : cases) {
    ProgramRun run = visit(c.path);
    expect_clean_end(run, c.what);
    EXPECT_EQ(run.out, "CONNECTING TO http://" + server.host() + c.path + "\n" + c.shown + prompt)
        << c.what;
  }
}

TEST_F(HostileServerTest, AddressIsShownInCaretNotation) {
  ProgramRun run = run_browser({"http://" + server.host() + "/\x1b[2J\a"}, "");
  expect_clean_end(run, "control bytes in the address");
  EXPECT_EQ(run.out, "CONNECTING TO http://" + server.host() + "/^[[2J^G\nTITLE: \n" + prompt);
}

TEST_F(HostileServerTest, EndlessBodyStopsAtTheCap) {
  server.route("/endless", {"0:Endless||-\n1:Start||\\\n2:", "200 OK", Reply::Style::endless});
  ProgramRun run = visit("/endless", "x\n");
  expect_clean_end(run, "endless body");
  // The capped last line has no bars, so it cannot be decoded.
  EXPECT_EQ(run.out, "CONNECTING TO http://" + server.host() +
                         "/endless\nERROR DECODING PAGE\nTITLE: Endless\n1: Start \n" + prompt +
                         "EXITING\n");
#ifndef LINEBROWSE_SANITIZED
  EXPECT_LT(run.peak_memory_kb, 200 * 1024) << "the 64 MiB body is held once";
#endif
}

TEST_F(HostileServerTest, RandomBinaryBodiesNeverReachTheTerminalRaw) {
  ASSERT_FALSE(sends_control("caf\xc3\xa9 \xe2\x82\xac\t\n")) << "the checker itself";
  ASSERT_TRUE(sends_control("\xc2\x9b") && sends_control("\x9b") && sends_control("\x1b"));
  std::mt19937 random(8);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 20; ++i) {
    std::string body(4096, '\0');
    for (char& c : body) c = static_cast<char>(byte(random));
    // Every other body starts as a page, with a C1 control in UTF-8, so
    // parsing gets past the first line.
    if (i % 2) body = "0:T\xc2\x9b||-\n1:a||\\\n" + body;
    server.route("/random", {body});
    ProgramRun run = visit("/random", "d 1 0 x\n");
    expect_clean_end(run, "random bytes");
    EXPECT_FALSE(sends_control(run.out)) << "body " << i;
    EXPECT_TRUE(run.out.ends_with("EXITING\n")) << "body " << i;
  }
}

#ifdef LINEBROWSE_MINUTE_TEST
// A server that stops sending must not hold a script for ever, nor one that
// sends a byte every few seconds: after a minute with fewer than 60 bytes,
// what arrived is the page. The real minute, once, as the shipped program
// waits it; the rule itself is tested with an injected clock.
TEST_F(HostileServerTest, ASilentServerEndsThePipedRunAfterAMinute) {
  // Seven bytes, one every 4 s, then nothing: far fewer than 60 bytes in the
  // minute after the headers, so a byte now and then keeps no script waiting.
  server.route("/stall", {"1:A||\\\n", "200 OK", Reply::Style::drip_then_stall});
  const auto start = std::chrono::steady_clock::now();
  ProgramRun run = run_browser({"http://" + server.host() + "/stall"}, "x\n", 240);
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
          .count();
  expect_clean_end(run, "a server that stalls");
  EXPECT_EQ(run.out, "CONNECTING TO http://" + server.host() + "/stall\nTITLE: \n1: A \n" + prompt +
                         "EXITING\n");
  EXPECT_GE(seconds, 60 - 2) << "cut before the minute was over";
  EXPECT_LE(seconds, 60 + 20) << "waited on past a minute with too few bytes";
}
#endif

// Memory that runs out while a big page is retrieved, parsed or shown is a
// page that cannot be decoded, never the end of the run; nor is any command
// after it, while that page still fills the memory. The limits are where the
// page does not fit and emptying it must allocate nothing.
TEST_F(HostileServerTest, RunningOutOfMemoryNeverEndsTheRun) {
#ifdef LINEBROWSE_SANITIZED
  GTEST_SKIP() << "the sanitizers need more address space than any limit here";
#endif
  std::string body = "0:Five million||-\n40:Fortieth|{host}/small|\\\n";
  for (int n = 1; n <= 5'000'000; ++n) body += std::to_string(n) + ":|t|-\n";
  server.route("/five", {body});
  server.route("/small", {"0:Small||-\n"});
  for (const char* command : {"r", "b", "g {host}/five", "40"}) {
    for (long limit_mb : {100, 130}) {
      const std::string what = std::string(command) + " under " + std::to_string(limit_mb) + " MB";
      ProgramRun run =
          run_browser({"http://" + server.host() + "/five"},
                      with_host(command, server.host()) + " d x\n", 120, {0, limit_mb * 1024});
      expect_clean_end(run, what.c_str());
      EXPECT_TRUE(run.out.starts_with("CONNECTING TO http://" + server.host() +
                                      "/five\nERROR DECODING PAGE\n"))
          << what << ": the page fitted";
      EXPECT_NE(run.out.find("CONNECTING TO", run.out.find(prompt)), std::string::npos)
          << what << ": the command loaded nothing";
      EXPECT_TRUE(run.out.ends_with(prompt + "EXITING\n")) << what << ":\n"
                                                           << run.out.substr(0, 300);
    }
  }
  // --check of the same page, then of a small one: the big one is said not
  // to fit (status 2), and the next is still checked.
  const ProgramRun run = run_browser({"--check", "http://" + server.host() + "/five", "-"},
                                     "0:T||-\n1:a||\\\n", 120, {0, 100 * 1024});
  EXPECT_TRUE(run.exited) << run.err;
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "linebrowse: http://" + server.host() +
                         "/five: OUT OF MEMORY: the page is too big to check here\n");
}

// Many iterations must not grow memory or open descriptors: the descriptor
// limit makes any leaked socket end in failed retrievals, which the exact
// output would show.
TEST_F(HostileServerTest, LongSessionsDoNotGrow) {
  const std::string padding(4000, 'p');
  server.route("/soak", {"0:Soak||-\n1:Again|{host}/soak|\\\n9:" + padding + "|far|-\n"});
  const std::string shown = "TITLE: Soak\n1: Again *\n";
  const std::string loaded = "CONNECTING TO http://" + server.host() + "/soak\n" + shown;
  auto session = [&](int blocks) {
    std::string input, expected = loaded;
    for (int b = 0; b < blocks; ++b) {
      input += "1 b r";
      expected += prompt + loaded + prompt + loaded + prompt + loaded;
      for (int d = 0; d < 97; ++d) input += " d", expected += prompt + shown;
      input += "\n";
    }
    input += "x\n";
    expected += prompt + "EXITING\n";
    ProgramRun run = run_browser({"http://" + server.host() + "/soak"}, input, 600, {32, 0});
    expect_clean_end(run, "long session");
    EXPECT_EQ(run.out, expected) << "after " << blocks * 100 << " commands";
    return run.peak_memory_kb;
  };
  long hundred = session(1);
  long hundred_thousand = session(1000);
#ifndef LINEBROWSE_SANITIZED
  EXPECT_LT(hundred_thousand, hundred + 2048) << "memory grew with the session";
#endif
  (void)hundred;
  (void)hundred_thousand;
}

}  // namespace
