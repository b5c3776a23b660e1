// Whole dialogues with the real binary against a loopback server: start-up,
// every command of the prompt, and the exact bytes a user sees.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

const std::string prompt = "Enter line number or command: ";

// A three-page site. Page A's row 6 lies beyond its last shown row; page C has
// no terminator, so it is shown with the row count of the page before it.
const char* const page_a =
    "0:Page A|{host}/c.txt|-\n"
    "1:To B|{host}/b.txt|-\n"
    "2:Plain||-\n"
    "3:Secure|https://{host}/b.txt|-\n"
    "4:Empty target||\\\n"
    "6:Hidden|{host}/c.txt|-\n"
    "2147483647:Largest|{host}/b.txt|-\n";
const char* const page_b =
    "0:Page B||-\n"
    "1:Back to A|http://{host}/a.txt|-\n"
    "2:To C|{host}/c.txt|\\\n";
const char* const page_c = "0:Page C||-\n1:C one||-\n";

const std::string shown_a =
    "CONNECTING TO http://{host}/a.txt\n"
    "TITLE: Page A\n1: To B *\n2: Plain \n3: Secure *\n4: Empty target \n";
const std::string shown_b =
    "CONNECTING TO http://{host}/b.txt\n"
    "TITLE: Page B\n1: Back to A *\n2: To C *\n";
const std::string shown_c2 = "CONNECTING TO http://{host}/c.txt\nTITLE: Page C\n1: C one \n2:  \n";
const std::string shown_c4 = shown_c2 + "3:  \n4:  \n";
const std::string listed_a = "TITLE: Page A\n1: To B *\n2: Plain \n3: Secure *\n4: Empty target \n";

struct Dialogue {
  const char* what;
  std::vector<std::string> args;
  std::string input;
  std::string expected;
};

class DialogueTest : public testing::Test {
 protected:
  void SetUp() override {
    server.route("/a.txt", {page_a});
    server.route("/b.txt", {page_b});
    server.route("/c.txt", {page_c});
    server.route("/d.txt", {"12:Twelve|{host}/b.txt|-\n"});
    server.route("/f.txt", {"0:F||-\n1:Down|" + down +
                            "/x|-\n2:Html|{host}/h404|-\n"
                            "3:Empty|{host}/empty|\\\n"});
    server.route("/h404", {"<html>\n<body>Not here</body>\n", "404 Not Found"});
    server.route("/empty", {""});
    static constexpr char page_e[] = "0:E||-\n1:Nul|{host}/\0file:///etc/passwd|\\\n";
    server.route("/e.txt", {std::string(page_e, sizeof page_e - 1)});
  }

  void expect_dialogues(const std::vector<Dialogue>& dialogues) {
    for (const Dialogue& d : dialogues) {
      std::vector<std::string> args;
      for (const auto& arg : d.args) args.push_back(with_host(arg, server.host()));
      ProgramRun run = run_browser(args, with_host(d.input, server.host()));
      EXPECT_EQ(run.out, with_host(d.expected, server.host())) << d.what;
      EXPECT_EQ(run.err, "") << d.what;
      EXPECT_TRUE(run.exited && run.status == 0) << d.what;
    }
  }

  LoopbackServer server;
  const std::string down = "127.0.0.1:" + std::to_string(closed_port());  // nothing listens
};

const std::vector<std::string> start_at_a = {"http://{host}/a.txt"};
const std::string exiting = prompt + "EXITING\n";

TEST_F(DialogueTest, StartUp) {
  const std::string refused = "127.0.0.1:" + std::to_string(closed_port());
  std::ofstream(test_home() + "/start.txt") << "0:Start||-\n1:On disk||\\\n";
  expect_dialogues({
      {"a path as the argument is a page on disk",
       {test_home() + "/start.txt"},
       "x\n",
       "CONNECTING TO file://" + test_home() + "/start.txt\nTITLE: Start\n1: On disk \n" + exiting},
      {"address from the argument", start_at_a, "x\n", shown_a + exiting},
      {"further arguments are ignored",
       {"http://{host}/a.txt", "http://{host}/b.txt"},
       "x\n",
       shown_a + exiting},
      {"address from the prompt, normalised",
       {},
       "{host}/a.txt x\n",
       "Enter URL: " + shown_a + exiting},
      {"https typed at the prompt",
       {},
       "https://{host}/a.txt x\n",
       "Enter URL: HTTPS NOT SUPPORTED\n" + shown_a + exiting},
      {"end of input at the address prompt",
       {},
       "",
       "Enter URL: CONNECTING TO http://\nTITLE: \n" + prompt},
      {"argument without a scheme reaches libcurl as typed",
       {"{host}/b.txt"},
       "",
       "CONNECTING TO {host}/b.txt\nTITLE: Page B\n1: Back to A *\n2: To C *\n" + prompt},
      {"https argument: no notice, no conversion",
       {"https://" + refused + "/a"},
       "",
       "CONNECTING TO https://" + refused + "/a\nTITLE: \n" + prompt},
      {"unreachable address: an empty page, no message",
       {"http://" + refused + "/a"},
       "x",
       "CONNECTING TO http://" + refused + "/a\nTITLE: \n" + exiting},
  });
}

// A keep-alive server serves a whole session over one connection; one that
// closes idle connections is reconnected to, unseen.
TEST_F(DialogueTest, ConnectionsAreKeptForTheNextPage) {
  server.keep_alive();
  expect_dialogues({{"one connection", start_at_a, "1 b r x\n",
                     shown_a + prompt + shown_b + prompt + shown_a + prompt + shown_a + exiting}});
  EXPECT_EQ(server.connections(), 1);
  LiveRun run({"http://" + server.host() + "/a.txt"}, LiveRun::Input::pipes);
  ASSERT_TRUE(run.shows(prompt));
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the server closes the idle connection
  run.type("1 x\n");
  ASSERT_TRUE(run.shows(with_host(shown_b, server.host()) + exiting)) << run.output;
  EXPECT_EQ(run.finish(), 0);
  EXPECT_EQ(server.connections(), 3);
}

TEST_F(DialogueTest, HelpAndVersion) {
  const std::string usage_start = "Usage: linebrowse [ADDRESS]\n";
  const std::string version = "linebrowse " LINEBROWSE_VERSION "\n";
  const std::string unknown = "Try 'linebrowse --help'.\n";
  struct Option {
    std::vector<std::string> args;
    int status;
    std::string out_start, err;
  };
  const Option options[] = {
      {{"--help"}, 0, usage_start, ""},
      {{"-h"}, 0, usage_start, ""},
      {{"--help", "x"}, 0, usage_start, ""},
      {{"--version"}, 0, version, ""},
      {{"-V"}, 0, version, ""},
      {{"-v"}, 2, "", "linebrowse: unknown option -v\n" + unknown},
      {{"--Help"}, 2, "", "linebrowse: unknown option --Help\n" + unknown},
      {{"-"}, 2, "", "linebrowse: unknown option -\n" + unknown},
      {{"-\x1b[2J", "http://{host}/a.txt"}, 2, "", "linebrowse: unknown option -^[[2J\n" + unknown},
  };
  for (const Option& o : options) {
    std::vector<std::string> args;
    for (const auto& arg : o.args) args.push_back(with_host(arg, server.host()));
    ProgramRun run = run_browser(args, "x\n");
    const std::string what = testing::PrintToString(o.args);
    EXPECT_TRUE(run.exited && run.status == o.status) << what;
    EXPECT_EQ(run.err, o.err) << what;
    EXPECT_TRUE(run.out.starts_with(o.out_start) && (o.status == 0 || run.out.empty())) << what;
    if (o.out_start == version) {
      EXPECT_EQ(run.out, version);
    } else if (o.out_start == usage_start) {
      EXPECT_TRUE(run.out.ends_with("man linebrowse\n")) << run.out;
    }
  }
  EXPECT_TRUE(server.requests().empty()) << "an option retrieved something";
}

TEST_F(DialogueTest, FollowingLinks) {
  expect_dialogues({
      {"a row's link", start_at_a, "1 x\n", shown_a + prompt + shown_b + exiting},
      {"leading digits only", start_at_a, "1abc x\n", shown_a + prompt + shown_b + exiting},
      {"0 follows the title's link", start_at_a, "0 x\n", shown_a + prompt + shown_c4 + exiting},
      {"a link beyond the last shown row", start_at_a, "6 x\n",
       shown_a + prompt + shown_c4 + exiting},
      {"the largest record number", start_at_a, "2147483647 x\n",
       shown_a + prompt + shown_b + exiting},
      {"an https link is loaded over http", start_at_a, "3 x\n",
       shown_a + prompt + "HTTPS NOT SUPPORTED\n" + shown_b + exiting},
      {"a typed number ends at its first non-digit",
       {"http://{host}/d.txt"},
       "12:4567x x\n",
       "CONNECTING TO http://{host}/d.txt\nTITLE: \n" + prompt + shown_b + exiting},
      {"an address with a NUL byte is shown, never retrieved",
       {"http://{host}/e.txt"},
       "1 x\n",
       "CONNECTING TO http://{host}/e.txt\nTITLE: E\n1: Nul *\n" + prompt +
           "CONNECTING TO http://{host}/^@file:///etc/passwd\nTITLE: \n1:  \n" + exiting},
      {"a page without terminator keeps the previous row count", start_at_a, "1 2 x\n",
       shown_a + prompt + shown_b + prompt + shown_c2 + exiting},
  });
  for (const std::string& path : server.requests())
    EXPECT_NE(path, "/") << "the address was retrieved up to its NUL byte";
}

// Through pipes a load that brings no page still replaces the page, as
// scripts know it; what a terminal keeps is not kept here.
TEST_F(DialogueTest, FailedAndEmptyLoadsReplaceThePage) {
  const std::vector<std::string> start_at_f = {"http://{host}/f.txt"};
  const std::string shown_f =
      "CONNECTING TO http://{host}/f.txt\nTITLE: F\n1: Down *\n2: Html *\n3: Empty *\n" + prompt;
  const std::string empty_rows = "TITLE: \n1:  \n2:  \n3:  \n";
  expect_dialogues({
      {"a server that is down", start_at_f, "1 x\n",
       shown_f + "CONNECTING TO http://" + down + "/x\n" + empty_rows + exiting},
      {"and back from it", start_at_f, "1 b x\n",
       shown_f + "CONNECTING TO http://" + down + "/x\n" + empty_rows + prompt + shown_f +
           "EXITING\n"},
      {"a 404 whose body is HTML", start_at_f, "2 x\n",
       shown_f + "CONNECTING TO http://{host}/h404\nERROR DECODING PAGE\n" + empty_rows + exiting},
      {"an empty page", start_at_f, "3 x\n",
       shown_f + "CONNECTING TO http://{host}/empty\n" + empty_rows + exiting},
      {"a number run into letters follows the link", start_at_a, "1b x\n",
       shown_a + prompt + shown_b + exiting},
  });
}

TEST_F(DialogueTest, InvalidLinks) {
  const std::string invalid = shown_a + prompt + "INVALID LINK\n" + exiting;
  expect_dialogues({
      {"row without a target", start_at_a, "2 x\n", invalid},
      {"row whose target is empty", start_at_a, "4 x\n", invalid},
      {"no such record", start_at_a, "5 x\n", invalid},
      {"digits then letters, no such record", start_at_a, "12abc x\n", invalid},
      {"beyond the 32-bit range", start_at_a, "99999999999 x\n", invalid},
      {"2147483648 is out of range", start_at_a, "2147483648 x\n", invalid},
      {"4294967296 is out of range, not record 0", start_at_a, "4294967296 x\n", invalid},
      {"several in a row keep prompting", start_at_a, "2 5 x\n",
       shown_a + prompt + "INVALID LINK\n" + prompt + "INVALID LINK\n" + exiting},
  });
}

TEST_F(DialogueTest, LetterCommands) {
  const std::string empty_page = "CONNECTING TO \nTITLE: \n1:  \n2:  \n3:  \n4:  \n";
  expect_dialogues({
      {"d and x on one line", start_at_a, "d x\n", shown_a + prompt + listed_a + exiting},
      {"reload retrieves again", start_at_a, "r x\n", shown_a + prompt + shown_a + exiting},
      {"back before any link loads the empty address", start_at_a, "b x\n",
       shown_a + prompt + empty_page + exiting},
      {"back after a link", start_at_a, "1 b x\n",
       shown_a + prompt + shown_b + prompt + shown_a + exiting},
      {"back twice loads the same page twice", start_at_a, "1 b b x\n",
       shown_a + prompt + shown_b + prompt + shown_a + prompt + shown_a + exiting},
      {"go-to then back returns to before the last link", start_at_a, "1 g {host}/c.txt b x\n",
       shown_a + prompt + shown_b + prompt + "Enter URL: " + shown_c2 + prompt + shown_a + exiting},
      {"go-to reads the next word, on the next line too", start_at_a, "g\nhttp://{host}/b.txt\nx\n",
       shown_a + prompt + "Enter URL: " + shown_b + exiting},
      {"upper-case commands", start_at_a, "1 B D R G {host}/b.txt X\n",
       shown_a + prompt + shown_b + prompt + shown_a + prompt + listed_a + prompt + shown_a +
           prompt + "Enter URL: " + shown_b + exiting},
  });
}

TEST_F(DialogueTest, EndingWithoutExit) {
  expect_dialogues({
      {"end of input at the command prompt", start_at_a, "", shown_a + prompt},
      {"end of input after commands", start_at_a, "d\n", shown_a + prompt + listed_a + prompt},
      {"end of input at the go-to prompt", start_at_a, "g",
       shown_a + prompt + "Enter URL: CONNECTING TO http://\nTITLE: \n1:  \n2:  \n3:  \n4:  \n" +
           prompt},
      {"a doubled letter", start_at_a, "xx d\n", shown_a + prompt},
      {"a minus sign", start_at_a, "-1 d\n", shown_a + prompt},
      {"any other word", start_at_a, "help\n", shown_a + prompt},
      {"the words a terminal forgives end a piped run", start_at_a, "? d\n", shown_a + prompt},
      {"h", start_at_a, "h d\n", shown_a + prompt},
      {"q, without a message", start_at_a, "q d\n", shown_a + prompt},
      {"quit", start_at_a, "quit\n", shown_a + prompt},
      {"exit", start_at_a, "exit\n", shown_a + prompt},
      {"the links listed", start_at_a, "l d\n", shown_a + prompt},
      {"where the page is", start_at_a, "u d\n", shown_a + prompt},
      {"a search, and the words after it", start_at_a, "/news d\n", shown_a + prompt},
      {"a search alone", start_at_a, "/\nd\n", shown_a + prompt},
      {"a letter and a digit", start_at_a, "d5 d\n", shown_a + prompt},
      {"a plus sign", start_at_a, "+1 d\n", shown_a + prompt},
      {"PageUp's bytes", start_at_a, "\x1b[5~\nd\n", shown_a + prompt},
      {"an arrow key's bytes are a word", start_at_a, "\x1b[A d\n", shown_a + prompt},
      {"so are Ctrl-C's and Ctrl-D's", start_at_a, "\x03 \x04 d\n", shown_a + prompt},
  });
}

}  // namespace
