// The browser at a terminal, driven through a pseudo-terminal as a person
// would: line editing and history, Ctrl-C, Ctrl-D and the failure lines.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

const std::string prompt = "Enter line number or command: ";
const std::string up = "\x1b[A", left = "\x1b[D", home = "\x1b[H", ctrl_c = "\x03", ctrl_d = "\x04";

// Keys typed, then what the screen must show next (lines end in \r\n there).
// Keys typed before the browser reads them meet the terminal's own line
// discipline instead, so a session's first step waits for its prompt.
struct Step {
  std::string keys;
  std::string shows;
};

struct Session {
  const char* what;
  std::string start;  // the first address, "" to be asked for it
  std::vector<Step> steps;
};

class TerminalTest : public testing::Test {
 protected:
  void SetUp() override {
    server.route("/t.txt", {"0:Terminal||-\n1:Hang|{host}/hang|-\n2:Rows|{host}/rows|-\n"
                            "3:To B|{host}/b.txt|\\\n"});
    server.route("/b.txt", {"0:Page B||-\n1:Back|{host}/t.txt|\\\n"});
    server.route("/hang", {"", "200 OK", Reply::Style::hang});
    server.route("/rows", {"0:Rows||-\n2000000000:Last||\\\n"});
    server.route("/moved", {"0:Moved||-\n", "301 Moved Permanently", Reply::Style::whole,
                            "Location: /b.txt\r\n"});
    server.route("/gone", {"0:Gone||-\n", "404 Not Found"});
  }

  void run_sessions(const std::vector<Session>& sessions) {
    for (const Session& s : sessions) {
      std::vector<std::string> args;
      if (!s.start.empty()) args.push_back(with_host(s.start, server.host()));
      LiveRun run(args, LiveRun::Input::terminal);
      for (const Step& step : s.steps) {
        // As a person types: after the editor has set the terminal up for the
        // prompt it just showed, which it does around showing it.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        run.type(with_host(step.keys, server.host()));
        const std::string shows = with_host(step.shows, server.host());
        ASSERT_TRUE(run.shows(shows)) << s.what << ": no " << testing::PrintToString(shows)
                                      << " after " << testing::PrintToString(step.keys) << " in\n"
                                      << run.output;
      }
      EXPECT_EQ(run.finish(), 0) << s.what;
      EXPECT_EQ(run.errors, "") << s.what;
    }
  }

  LoopbackServer server;
};

const std::string start = "http://{host}/t.txt";
const std::string shown_t = "TITLE: Terminal\r\n1: Hang *\r\n2: Rows *\r\n3: To B *\r\n";
const std::string shown_b = "TITLE: Page B\r\n1: Back *\r\n";

TEST_F(TerminalTest, EditingAndHistory) {
  run_sessions({
      {"Up recalls the last line",
       start,
       {{"", shown_t + prompt}, {"d\r", shown_t}, {up + "\r", shown_t}, {"x\r", "EXITING\r\n"}}},
      {"Left edits an address being typed",
       start,
       {{"g\r", "Enter URL: "},
        {"{host}/.txt" + left + left + left + left + "b\r",
         "CONNECTING TO http://{host}/b.txt\r\n" + shown_b},
        {"x\r", "EXITING"}}},
      {"Home then typing puts the scheme in front",
       start,
       {{"g\r", "Enter URL: "},
        {"{host}/b.txt" + home + "http://\r", "CONNECTING TO http://{host}/b.txt\r\n" + shown_b},
        {"x\r", "EXITING"}}},
      {"an empty line asks again; words on one line run in order",
       start,
       {{"\r", prompt + "\r\n" + prompt},
        {"3 b x\r", shown_b + prompt},
        {"", shown_t + prompt},
        {"", "EXITING"}}},
      {"a waiting word is shown after its prompt",
       start,
       {{"3 0\r", shown_b + prompt + "0\r\nINVALID LINK\r\n" + prompt}, {"x\r", "EXITING"}}},
      {"Up recalls commands at the command prompt, addresses at the address prompt",
       start,
       {{"g\r", "Enter URL: "},
        {"{host}/b.txt\r", shown_b + prompt},
        {up, "g"},
        {"\r", "Enter URL: "},
        {up, "{host}/b.txt"},
        {"\r", "CONNECTING TO http://{host}/b.txt\r\n"},
        {"x\r", "EXITING"}}},
      {"the address a redirect names is offered at the address prompt",
       "http://{host}/moved",
       {{"g\r", "Enter URL: "},
        {up, "http://{host}/b.txt"},
        {"\r", "CONNECTING TO http://{host}/b.txt\r\n" + shown_b},
        {"x\r", "EXITING"}}},
      {"PageUp, PageDown, Insert and F1 leave nothing on the line",
       start,
       {{"\x1b[5~\x1b[6~\x1b[2~\x1bOP\x1b[15;5~\r", prompt + "\r\n" + prompt}, {"x\r", "EXITING"}}},
  });
}

TEST_F(TerminalTest, ForgivesWhatPeopleType) {
  const std::string commands =
      "  NUMBER  follow the link of that row\r\n  d       show the page again\r\n";
  const std::string unknown = " (? LISTS THE COMMANDS)\r\n" + prompt;
  run_sessions({
      {"?, h and help in any case list the commands",
       start,
       {{"?\r", "?\r\n" + commands},
        {"h\r", "h\r\n" + commands},
        {"HeLp\r", "HeLp\r\n" + commands},
        {"x\r", "EXITING"}}},
      {"q exits", start, {{"q\r", "q\r\nEXITING\r\n"}}},
      {"QUIT exits", start, {{"QUIT\r", "QUIT\r\nEXITING\r\n"}}},
      {"exit exits", start, {{"exit\r", "exit\r\nEXITING\r\n"}}},
      {"a slip is refused and the rest of its line dropped",
       start,
       {{"dd x\r", "UNKNOWN COMMAND: dd" + unknown},
        {"d5\r", "UNKNOWN COMMAND: d5" + unknown},
        {"+1 x\r", "UNKNOWN COMMAND: +1" + unknown},
        {"-1\r", "UNKNOWN COMMAND: -1" + unknown},
        {"d\r", shown_t},
        {"x\r", "EXITING"}}},
      {"a second word after an address is refused",
       start,
       {{"g\r", "Enter URL: "},
        {"{host}/b.txt wide.txt d\r",
         shown_b + prompt + "wide.txt\r\nUNKNOWN COMMAND: wide.txt" + unknown},
        {"x\r", "EXITING"}}},
      {"Ctrl-C in the history search brings a fresh prompt",
       start,
       {{"d\r", shown_t}, {"\x12", "bck:"}, {ctrl_c, "^C\r\n" + prompt}, {"x\r", "EXITING"}}},
      {"Ctrl-C takes back a g: nothing is loaded",
       start,
       {{"g\r", "Enter URL: "},
        {"{host}/b", "{host}/b"},
        {ctrl_c, "^C\r\n" + prompt},
        {"d\r", "d\r\n" + shown_t + prompt},
        {"b\r", "CONNECTING TO \r\n"},
        {"x\r", "EXITING"}}},
  });
}

TEST_F(TerminalTest, CtrlCBringsBackThePrompt) {
  run_sessions({
      {"Ctrl-C stops a server that never answers, and b still goes back",
       start,
       {{"1\r", "CONNECTING TO http://{host}/hang\r\n"},
        {ctrl_c, "\r\nTITLE: \r\n1:  \r\n2:  \r\n3:  \r\n" + prompt},
        {"b\r", "CONNECTING TO http://{host}/t.txt\r\n" + shown_t},
        {"x\r", "EXITING"}}},
      {"Ctrl-C stops two billion rows",
       start,
       {{"2\r", "0000000001:  \r\n"},
        {ctrl_c, "\r\n" + prompt},
        {"d\r", "TITLE: Rows\r\n"},
        {ctrl_c, prompt},
        {"x\r", "EXITING"}}},
      {"Ctrl-C at a prompt drops what was typed",
       start,
       {{"", prompt},
        {"xyz", "xyz"},
        {ctrl_c, "^C\r\n" + prompt},
        {"d\r", shown_t},
        {"x\r", "EXITING"}}},
      {"Ctrl-C drops the words still waiting on the line",
       start,
       {{"1 d d x\r", "CONNECTING TO http://{host}/hang\r\n"},
        {ctrl_c, "TITLE: \r\n1:  \r\n2:  \r\n3:  \r\n" + prompt},
        {"b\r", shown_t},
        {"x\r", "EXITING"}}},
      {"Ctrl-C at the address prompt asks again",
       "",
       {{"", "Enter URL: "},
        {ctrl_c, "^C\r\nEnter URL: "},
        {start + "\r", shown_t},
        {"x\r", "EXITING"}}},
  });
}

TEST_F(TerminalTest, CtrlDEndsOnALineOfItsOwn) {
  run_sessions({
      {"at the command prompt", start, {{"", prompt}, {ctrl_d, "\r\n"}}},
      {"at the start-up prompt: nothing is loaded", "", {{"", "Enter URL: "}, {ctrl_d, "^D\r\n"}}},
      {"at the address prompt of g", start, {{"g\r", "Enter URL: "}, {ctrl_d, "^D\r\n"}}},
  });
  EXPECT_EQ(server.requests().size(), 2u) << "only the start pages were retrieved";
}

TEST_F(TerminalTest, FailuresSayWhy) {
  const std::string refused = "127.0.0.1:" + std::to_string(closed_port());
  run_sessions({
      {"a refused connection",
       "http://" + refused + "/a",
       {{"", "CONNECTING TO http://" + refused +
                 "/a\r\nRETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\r\nTITLE: \r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"a redirect says where to go",
       "http://{host}/moved",
       {{"", "HTTP STATUS 301, MOVED TO http://{host}/b.txt\r\nTITLE: Moved\r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"a 404 still shows its body",
       "http://{host}/gone",
       {{"", "HTTP STATUS 404\r\nTITLE: Gone\r\n"}, {"x\r", "EXITING"}}},
      {"the empty address",
       start,
       {{"b\r", "CONNECTING TO \r\nRETRIEVAL FAILED: URL USING BAD"}, {"x\r", "EXITING"}}},
  });
}

// Ctrl-Z needs a shell with job control to stop the browser and go on with it.
TEST_F(TerminalTest, CtrlZSuspendsAndFgShowsTheLineAgain) {
  LiveRun run({"http://" + server.host() + "/t.txt"}, LiveRun::Input::shell);
  ASSERT_TRUE(run.shows("3: To B *\r\n" + prompt)) << run.output;
  for (const Step& step : std::vector<Step>{{"ab", "ab"},
                                            {"\x1a", "Stopped"},
                                            {"fg\r", prompt + "ab"},
                                            {"c\r", "c\r\nUNKNOWN COMMAND: abc "},
                                            {"x\r", "EXITING\r\n"}}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    run.type(step.keys);
    ASSERT_TRUE(run.shows(step.shows)) << step.keys << " did not show " << step.shows << " in\n"
                                       << run.output;
  }
  ASSERT_TRUE(run.shows("$ ")) << "the shell's prompt after the browser";
  run.type("exit\r");
  EXPECT_EQ(run.finish(), 0);
  EXPECT_EQ(run.errors, "");
}

// Piped, the same Ctrl-C ends the run as it always has: SIGINT's default.
TEST_F(TerminalTest, PipedCtrlCStillEndsTheRun) {
  LiveRun run({"http://" + server.host() + "/hang"}, LiveRun::Input::pipes);
  ASSERT_TRUE(run.shows("CONNECTING TO http://" + server.host() + "/hang\n"));
  run.interrupt();
  EXPECT_EQ(run.finish(), 128 + 2);
  EXPECT_EQ(run.output, "CONNECTING TO http://" + server.host() + "/hang\n");
  EXPECT_EQ(run.errors, "");
}

}  // namespace
