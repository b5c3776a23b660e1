// The browser at a terminal, driven through a pseudo-terminal as a person
// would: line editing and history, Ctrl-C, Ctrl-D and the failure lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

const std::string prompt = "Enter line number or command: ";
// Said once a session, after the first page.
const std::string hint = "? LISTS THE COMMANDS\r\n";
const std::string up = "\x1b[A", left = "\x1b[D", home = "\x1b[H", ctrl_c = "\x03", ctrl_d = "\x04",
                  ctrl_v = "\x16";
// What a hostile redirect puts after its address: a window title, a screen
// clear, a clipboard write, a C1 CSI, and a word that would run as a command.
const std::string evil_location =
    "\x1b]0;OWNED\a\x1b[2J\x1b]52;c;ZWNobyBwd25lZAo=\a\xc2\x9b"
    "2J d";

// Keys typed, then what the screen must show next (lines end in \r\n there).
// Keys typed before the browser reads them meet the terminal's own line
// discipline instead, so a session's first step waits for its prompt.
struct Step {
  std::string keys;
  std::string shows;
  int seconds = 10;  // how long it may take to show
  int signal = 0;    // sent to the browser before the keys are typed
  int rows = 0;      // the window resized to before the keys, when not 0
  int columns = 0;
};

struct Session {
  const char* what;
  std::string start;  // the first address, "" to be asked for it
  std::vector<Step> steps;
  Screen screen = {};
  std::vector<std::string> never = {};  // bytes the whole screen must not hold
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
    server.route("/trickle", {"0:Drip||-\n1:One||\\\n", "200 OK", Reply::Style::drip});
    std::string long_page = "0:Long||-\n";
    for (int n = 1; n <= 300; ++n)
      long_page +=
          std::to_string(n) + ":Row " + std::to_string(n) + "||" + (n < 300 ? "-" : "\\") + "\n";
    server.route("/long", {long_page});
    std::string linked_page = "0:Linked||-\n";
    for (int n = 1; n <= 60; ++n)
      linked_page += std::to_string(n) + ":Row " + std::to_string(n) + "|{host}/b.txt|" +
                     (n < 60 ? "-" : "\\") + "\n";
    server.route("/long-links", {linked_page});
    server.route("/fails.txt", {"0:Fails||-\n1:Html|{host}/html404|-\n2:Gone|{host}/gone|-\n"
                                "3:Down|" +
                                down +
                                "/x|-\n4:Empty|{host}/empty|-\n"
                                "5:Open|{host}/open.txt|\\\n"});
    server.route("/html404", {"<html>\n<body>Not here</body>\n", "404 Not Found"});
    server.route("/empty", {""});
    server.route("/html200", {"<html>\n<body>A page for browsers</body>\n"});
    std::string wide_rows = "0:Wide||-\n";  // each row 39 columns, 41 with the marks of /x
    for (int n = 1; n <= 20; ++n)
      wide_rows += std::to_string(n) + ":" + std::string(33, 'w') + "x||-\n";
    server.route("/wide-rows", {wide_rows + "21:End||\\\n"});
    server.route("/open.txt", {"0:Open||-\n1:One||-\n5:Five||-\n"});
    server.route("/part",
                 {"0:Part||-\n1:One||-\n2:Two||-\n3:Thr", "200 OK", Reply::Style::part_then_hang});
    server.route("/slow-long", {long_page.substr(0, long_page.find("\n61:")) + "\n60:Row||\\\n",
                                "200 OK", Reply::Style::slow});
    std::string broken = "0:Broken||-\n";
    for (int n = 1; n < 40; ++n) broken += std::to_string(n) + ":Good||-\n";
    server.route("/broken", {broken + "no record here\n60:End||\\\n"});
    server.route("/wide", {broken + std::string(100, 'w') + "\n"});
    static constexpr char nul_page[] = "0:Nul||-\n1:x|{host}/\0x|-\n";
    server.route("/nul", {std::string(nul_page, sizeof nul_page - 1)});
    server.route("/blank", {"0:Blank||-\n1:A||\\\n\n"});
    server.route("/latin1", {"0:Caf\xe9 na\xefve||-\n1:a \x9b"
                             "2J|t|\\\n"});
    server.route("/c1", {"0:Quote \xe2\x80\x9d"
                         "0;PWNED\xe2\x80\x9c end||-\n"
                         "1:a \xe2\x80\x9b"
                         "1;1HSPOOFED \xc3\xa9|t|\\\n"});
    // libcurl sends the address's high bytes %-encoded, and passes those of
    // an absolute Location as they came.
    server.route("/evil",
                 {"", "302 Found", Reply::Style::whole,
                  "Location: http://" + server.host() + "/b.txt " + evil_location + "\r\n"});
    for (const char* path : {"/moved-c1%e2%80%9b", "/moved-c1%e9"})
      server.route(path, {"", "301 Moved Permanently", Reply::Style::whole,
                          "Location: http://" + server.host() +
                              "/\xe2\x80\x9b"
                              "2J\xe9\r\n"});
  }

  void run_sessions(const std::vector<Session>& sessions) {
    for (const Session& s : sessions) {
      std::vector<std::string> args;
      if (!s.start.empty()) args.push_back(with_host(s.start, server.host()));
      LiveRun run(args, LiveRun::Input::terminal, s.screen);
      // A first step that types meets the first prompt, not the load before it.
      if (!s.steps.empty() && !s.steps[0].keys.empty()) {
        ASSERT_TRUE(run.shows(s.start.empty() ? "Enter URL: " : hint + prompt)) << s.what << "\n"
                                                                                << run.output;
      }
      for (const Step& step : s.steps) {
        // Keys typed before the browser has taken the terminal would be
        // echoed by the terminal itself.
        if (!step.keys.empty()) {
          ASSERT_TRUE(run.terminal_taken()) << s.what << "\n" << run.output;
        }
        if (step.signal != 0) run.interrupt(step.signal);
        if (step.rows != 0) run.resize(step.rows, step.columns);
        run.type(with_host(step.keys, server.host()));
        const std::string shows = with_host(step.shows, server.host());
        ASSERT_TRUE(run.shows(shows, step.seconds))
            << s.what << ": no " << testing::PrintToString(shows) << " after "
            << testing::PrintToString(step.keys) << " in\n"
            << run.output;
      }
      EXPECT_EQ(run.finish(), 0) << s.what;
      EXPECT_EQ(run.errors, "") << s.what;
      for (const std::string& bytes : s.never)
        EXPECT_EQ(run.output.find(bytes), std::string::npos)
            << s.what << ": " << testing::PrintToString(bytes) << " reached the screen";
    }
  }

  LoopbackServer server;
  const std::string down = "127.0.0.1:" + std::to_string(closed_port());  // nothing listens
};

const std::string start = "http://{host}/t.txt";

const std::string more = "-- MORE: SPACE NEXT SCREEN, ENTER NEXT ROW, B BACK, Q STOPS, H KEYS --";
const std::string shorter_more = "-- MORE: SPACE, ENTER, B BACK, Q, H --";
// Text a search found, as a terminal that is not dumb marks it.
std::string mark(const std::string& found) { return "\x1b[7m" + found + "\x1b[27m"; }
const std::string shown_t = "TITLE: Terminal\r\n1: Hang *\r\n2: Rows *\r\n3: To B *\r\n";
const std::string shown_b = "TITLE: Page B\r\n1: Back *\r\n";

TEST_F(TerminalTest, EditingAndHistory) {
  run_sessions({
      {"Up recalls the last line",
       start,
       {{"", shown_t + hint + prompt},
        {"d\r", shown_t},
        {up + "\r", shown_t},
        {"x\r", "EXITING\r\n"}}},
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
       {{"\r", "\r\n" + prompt},
        {"3 b x\r", shown_b + prompt},
        {"", shown_t + prompt},
        {"", "EXITING"}}},
      {"an empty line goes into no history",
       start,
       {{"", prompt},
        {"d\r", shown_t},
        {"\r", prompt + "\r\n" + prompt},
        {up + "\r", shown_t},
        {"x\r", "EXITING"}}},
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
       {{"\x1b[5~\x1b[6~\x1b[2~\x1bOP\x1b[15;5~\r", "\r\n" + prompt}, {"x\r", "EXITING"}}},
  });
}

// The lines typed are kept from run to run in the state folder, where Up
// finds them in the next run; LINEBROWSE_HISTORY names another file, or,
// empty, none.
TEST_F(TerminalTest, HistoryIsKeptFromRunToRun) {
  const std::string kept = test_home() + "/.local/state/linebrowse/history";
  const std::string elsewhere = test_home() + "/elsewhere";
  const Screen named{24, 80, "", "xterm", {{"LINEBROWSE_HISTORY", elsewhere}}};
  const Screen none{24, 80, "", "xterm", {{"LINEBROWSE_HISTORY", ""}}};
  run_sessions({
      {"a run types a command and an address",
       start,
       {{"u\r", "AT"}, {"g\r", "Enter URL: "}, {"{host}/b.txt\r", shown_b}, {"x\r", "EXITING"}}},
      {"the next run recalls both, each at its prompt",
       start,
       {{up, "x"},
        {up, "g"},
        {up + up + "\r", "u\r\nAT"},
        {"g\r", "Enter URL: "},
        {up, "{host}/b.txt"},
        {"\r", shown_b},
        {"x\r", "EXITING"}}},
      {"a run that keeps its history elsewhere",
       start,
       {{"d\r", shown_t}, {"x\r", "EXITING"}},
       named},
      {"and one that keeps none", start, {{"r\r", shown_t}, {"x\r", "EXITING"}}, none},
  });
  struct stat about {};
  ASSERT_EQ(stat(kept.c_str(), &about), 0);
  EXPECT_EQ(about.st_mode & 0777, 0600U);
  std::ifstream file(kept);
  const std::string lines((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(lines.find("u\n"), std::string::npos) << lines;
  EXPECT_EQ(lines.find("r\n"), std::string::npos) << "a run that keeps none";
  EXPECT_EQ(stat(elsewhere.c_str(), &about), 0) << "LINEBROWSE_HISTORY";
}

// a keeps the page being read in the bookmarks, a page on disk that m shows;
// a bookmarks file that cannot be read costs no session.
TEST_F(TerminalTest, BookmarksAreAPage) {
  const std::string file = test_home() + "/.local/share/linebrowse/bookmarks.txt";
  std::ofstream(test_home() + "/not-a-folder") << "x";
  const Screen unreadable{24, 80, "", "xterm", {{"XDG_DATA_HOME", test_home() + "/not-a-folder"}}};
  const std::string big = test_home() + "/big";
  std::filesystem::create_directories(big + "/linebrowse");
  const std::string big_file = big + "/linebrowse/bookmarks.txt";
  std::ofstream(big_file) << "0:Big||-\n";
  std::filesystem::resize_file(big_file, std::uintmax_t{65} << 20);
  const Screen too_big{24, 80, "", "xterm", {{"XDG_DATA_HOME", big}}};
  const std::string over = "BOOKMARKS NOT READ: THE FILE IS OVER 64 MiB (NOTHING WRITTEN)\r\n";
  run_sessions({
      {"a adds the page once, m shows them all, and b comes back",
       start,
       {{"m\r", "NO BOOKMARKS YET (a ADDS THE PAGE YOU ARE ON)\r\n" + prompt},
        {"a\r", "BOOKMARKED: Terminal\r\n" + prompt},
        {"a\r", "ALREADY BOOKMARKED: Terminal\r\n" + prompt},
        {"3\r", shown_b + prompt},
        {"A\r", "BOOKMARKED: Page B\r\n" + prompt},
        {"m\r", "CONNECTING TO file://" + file +
                    "\r\nTITLE: Bookmarks\r\n1: Terminal *\r\n2: Page B *\r\n" + prompt},
        {"1\r", "CONNECTING TO http://{host}/t.txt\r\n" + shown_t + prompt},
        {"b\r", "TITLE: Bookmarks\r\n"},
        {"b\r", shown_b + prompt},
        {"x\r", "EXITING"}}},
      {"at 40x12 with TERM=dumb",
       start,
       {{"a\r", "ALREADY BOOKMARKED: Terminal\r\n"},
        {"-1\r", "-N REMOVES ROW N'S BOOKMARK WHILE THE BOOKMARKS ARE SHOWN (m SHOWS THEM)\r\n"},
        {"m\r", "TITLE: Bookmarks\r\n1: Terminal *\r\n2: Page B *\r\n"},
        {"-3\r", "NO BOOKMARK ON ROW 3\r\n"},
        {"-1\r", "BOOKMARK REMOVED: Terminal\r\n"},
        {"", "TITLE: Bookmarks\r\n1:  \r\n2: Page B *\r\n"},  // the row stays, empty
        {"2\r", shown_b},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"a bookmarks file that cannot be read is said, and the session goes on",
       start,
       {{"a\r", "BOOKMARKS NOT READ: NOT A DIRECTORY\r\n" + prompt},
        {"m\r", "BOOKMARKS NOT READ: NOT A DIRECTORY\r\n" + prompt},
        {"d\r", shown_t + prompt},
        {"x\r", "EXITING"}},
       unreadable},
      {"a file past the cap is neither read whole nor written",
       start,
       {{"a\r", over + prompt}, {"m\r", over + prompt}, {"x\r", "EXITING"}},
       too_big},
  });
  EXPECT_EQ(std::filesystem::file_size(big_file), std::uintmax_t{65} << 20);
  struct stat about {};
  ASSERT_EQ(stat(file.c_str(), &about), 0);
  EXPECT_EQ(about.st_mode & 0777, 0600U);
}

TEST_F(TerminalTest, ForgivesWhatPeopleType) {
  const std::string folder = test_home() + "/disk";
  mkdir(folder.c_str(), 0700);
  const std::string on_disk = folder + "/page.txt";
  std::ofstream(on_disk) << "0:On disk||-\n1:Here||\\\n";
  mkfifo((folder + "/fifo").c_str(), 0600);
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
      {"? at 40x12 wraps between words, a description's later lines under its start, and pauses",
       start,
       {{"?\r",
         "  b       go back to the page the last\r\n          link was followed from (at a\r\n"},
        {"", "-- MORE"},
        {" ", "          row N's bookmark\r\n-- MORE"},
        {" ", "  ADDRESS http://HOST:PORT/PATH, with\r\n"},
        {"", "~/, or file:///PATH\r\n-- MORE"},
        {" ", "          TEXT has a capital\r\n" + prompt},  // keys before it are the pause's
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"? at the first prompt explains it; a page on disk by its path or file:// there and at g",
       "",
       {{"", "Enter URL: "},
        {"help\r", "TYPE THE ADDRESS OF A PAGE"},
        {"", "Enter URL: "},
        {on_disk + "\r",
         "CONNECTING TO file://" + on_disk + "\r\nTITLE: On disk\r\n1: Here \r\n" + hint + prompt},
        {"g\r", "Enter URL: "},
        {"?\r", "CONNECTING TO http://?\r\n"},
        {"g\r", "Enter URL: "},
        {"FILE://" + on_disk + "\r", "CONNECTING TO FILE://" + on_disk + "\r\nTITLE: On disk"},
        {"g\r", "Enter URL: "},
        {"~/disk/fifo\r",
         "NOT A FILE: " + folder + "/fifo\r\nSTAYING ON FILE://" + on_disk + "\r\n" + prompt},
        {"g\r", "Enter URL: "},
        {"~/disk\r", "NOT A FILE: " + folder + "\r\nSTAYING ON"},
        {"x\r", "EXITING"}}},
      {"q exits", start, {{"q\r", "q\r\nEXITING\r\n"}}},
      {"QUIT exits", start, {{"QUIT\r", "QUIT\r\nEXITING\r\n"}}},
      {"exit exits", start, {{"exit\r", "exit\r\nEXITING\r\n"}}},
      {"a slip is refused and the rest of its line dropped",
       start,
       {{"dd x\r", "UNKNOWN COMMAND: dd" + unknown},
        {"d5\r", "UNKNOWN COMMAND: d5" + unknown},
        {"1b\r", "UNKNOWN COMMAND: 1b" + unknown},
        {"12:x\r", "UNKNOWN COMMAND: 12:x" + unknown},
        {"+1 x\r", "UNKNOWN COMMAND: +1" + unknown},
        {"-1x\r", "UNKNOWN COMMAND: -1x" + unknown},
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
        {"b\r", "b\r\nNO PAGE TO GO BACK TO\r\n" + prompt},
        {"x\r", "EXITING"}}},
  });
}

TEST_F(TerminalTest, CtrlCBringsBackThePrompt) {
  server.route("/huge", {"0:Huge||-\n1:" + std::string(60 << 20, '\x9b') + "|t|\\\n"});
  run_sessions({
      {"Ctrl-C stops a server that never answers, and the page stays",
       start,
       {{"1\r", "CONNECTING TO http://{host}/hang\r\n"},
        {ctrl_c, "RETRIEVAL STOPPED\r\nSTAYING ON http://{host}/t.txt\r\n" + prompt},
        {"d\r", "d\r\n" + shown_t},
        {"x\r", "EXITING"}}},
      {"Ctrl-C stops two billion rows at their first pause",
       start,
       {{"2\r", "0000000001:  \r\n"},
        {"", more},
        {ctrl_c, "\r\x1b[K" + prompt},
        {"d\r", "TITLE: Rows\r\n"},
        {ctrl_c, prompt},
        {"x\r", "EXITING"}}},
      {"Ctrl-C stops one long row within a moment",
       "http://{host}/huge",  // 60 MiB of C1 bytes, routed below
       {{"", more}, {" ", "M-^[M-^[M-^[M-^["}, {ctrl_c, "\r\n" + prompt, 3}, {"x\r", "EXITING"}}},
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
        {ctrl_c, "STAYING ON http://{host}/t.txt\r\n" + prompt},
        {"u\r", "u\r\nAT http://{host}/t.txt\r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"a Ctrl-C while a line is edited drops it, and stops no retrieval after",
       start,
       {{"", prompt},
        {"3\r", "3\r\n" + prompt, 10, SIGINT},
        {"3\r", "CONNECTING TO http://{host}/b.txt\r\n" + shown_b + prompt},
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
      {"at the address prompt of g it takes the g back",
       start,
       {{"g\r", "Enter URL: "}, {ctrl_d, "^D\r\n" + prompt}, {"x\r", "EXITING"}}},
  });
  EXPECT_EQ(server.requests().size(), 2u) << "only the start pages were retrieved";
}

TEST_F(TerminalTest, FailuresSayWhy) {
  const std::string refused = "127.0.0.1:" + std::to_string(closed_port());
  // A file named as the address is typed, so that it reaches no server.
  Screen beside_a_file;
  beside_a_file.folder = test_home() + "/files";
  std::filesystem::create_directories(beside_a_file.folder);
  std::ofstream(beside_a_file.folder + "/" + refused) << "0:On disk||\\\n";
  const std::string file_hint = "A FILE OF THAT NAME IS HERE: TYPE ./" + refused + "\r\n";
  run_sessions({
      {"a name with no scheme that reaches no server, a file of that name here",
       refused,
       {{"", "COULDN'T CONNECT TO SERVER\r\n" + file_hint + "TITLE: \r\n"},
        {"g\r", "Enter URL: "},
        {refused + "\r", "COULDN'T CONNECT TO SERVER\r\n" + file_hint + "STAYING ON " + refused},
        {"g\r", "Enter URL: "},
        {"http://" + refused + "\r", "COULDN'T CONNECT TO SERVER\r\nSTAYING ON"},
        {"x\r", "EXITING"}},
       beside_a_file},
      {"a refused connection",
       "http://" + refused + "/a",
       {{"",
         "CONNECTING TO http://" + refused +
             "/a\r\nRETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\r\nTITLE: \r\n(NO RECORDS)\r\n" +
             hint + prompt},
        {"x\r", "EXITING"}}},
      {"a redirect says where to go",
       "http://{host}/moved",
       {{"", "HTTP STATUS 301, MOVED TO http://{host}/b.txt\r\nTITLE: Moved\r\n" + hint + prompt},
        {"x\r", "EXITING"}}},
      {"a 404 still shows its body",
       "http://{host}/gone",
       {{"", "HTTP STATUS 404\r\nTITLE: Gone\r\n"}, {"x\r", "EXITING"}}},
      {"an address with a NUL byte",
       "http://{host}/nul",
       {{"1\r",
         "CONNECTING TO http://{host}/^@x\r\n"
         "RETRIEVAL FAILED: THE ADDRESS HOLDS A NUL BYTE\r\nSTAYING ON http://{host}/nul\r\n"},
        {"x\r", "EXITING"}}},
      {"an address libcurl refuses",
       start,
       {{"g\r", "Enter URL: "},
        {"http://\r",
         "CONNECTING TO http://\r\nRETRIEVAL FAILED: URL USING BAD/ILLEGAL FORMAT OR MISSING "
         "URL\r\nSTAYING ON http://{host}/t.txt\r\n" +
             prompt},
        {"x\r", "EXITING"}}},
  });
}

TEST_F(TerminalTest, TextFitsTheTerminalsEncoding) {
  const Screen utf8{24, 80, "C.UTF-8"}, eight_bit{24, 80, "C"};
  run_sessions({
      {"Latin-1 at a UTF-8 terminal: no byte vanishes",
       "http://{host}/latin1",
       {{"", "TITLE: CafM-i naM-ove\r\n1: a M-^[2J *\r\n"}, {"x\r", "EXITING"}},
       utf8},
      {"UTF-8 at a UTF-8 terminal passes",
       "http://{host}/c1",
       {{"",
         "TITLE: Quote \xe2\x80\x9d"
         "0;PWNED\xe2\x80\x9c end\r\n"
         "1: a \xe2\x80\x9b"
         "1;1HSPOOFED \xc3\xa9 *\r\n"},
        {"x\r", "EXITING"}},
       utf8},
      {"an 8-bit terminal gets no byte from 0x80 to 0x9f, in UTF-8 neither",
       "http://{host}/c1",
       {{"",
         "TITLE: Quote \xe2M-^@M-^]0;PWNED\xe2M-^@M-^\\ end\r\n"
         "1: a \xe2M-^@M-^[1;1HSPOOFED \xc3\xa9 *\r\n"},
        {"x\r", "EXITING"}},
       eight_bit},
      {"Latin-1 at an 8-bit terminal passes",
       "http://{host}/latin1",
       {{"", "TITLE: Caf\xe9 na\xefve\r\n1: a M-^[2J *\r\n"}, {"x\r", "EXITING"}},
       eight_bit},
      {"the address shown and the address moved to, at an 8-bit terminal",
       "http://{host}/moved-c1\xe2\x80\x9b",
       {{"",
         "CONNECTING TO http://{host}/moved-c1\xe2M-^@M-^[\r\n"
         "HTTP STATUS 301, MOVED TO http://{host}/\xe2M-^@M-^[2J\xe9\r\n"},
        {"x\r", "EXITING"}},
       eight_bit},
      {"the same at a UTF-8 terminal",
       "http://{host}/moved-c1\xe9",
       {{"",
         "CONNECTING TO http://{host}/moved-c1M-i\r\n"
         "HTTP STATUS 301, MOVED TO http://{host}/\xe2\x80\x9b"
         "2JM-i\r\n"},
        {"x\r", "EXITING"}},
       utf8},
  });
}

// Neither a server, through the address history, nor a key typed with
// Ctrl-V gets an escape or a C1 control to the terminal raw, in either
// kind of locale, and no word of a redirect's target runs as a command.
TEST_F(TerminalTest, EchoesNothingRaw) {
  const std::string encoded =
      "http://{host}/b.txt%20%1B]0;OWNED%07%1B[2J%1B]52;c;ZWNobyBwd25lZAo=%07%C2%9B2J%20d";
  const std::vector<std::string> raw = {"\x1b]", "\x1b[2J", "\x9b", "OWNED\a", "command: d\r"};
  std::vector<Session> sessions;
  for (const Screen& screen : {Screen{24, 160, "C.UTF-8"}, Screen{24, 160, "C"}}) {
    sessions.push_back({"a redirect's target recalled and run",
                        "http://{host}/evil",
                        {{"", prompt},
                         {"g\r", "Enter URL: "},
                         {up, encoded},
                         {"\r", "CONNECTING TO " + encoded + "\r\n"},
                         {"x\r", "EXITING"}},
                        screen,
                        raw});
    sessions.push_back({"Ctrl-C on a recalled target, and on a typed escape",
                        "http://{host}/evil",
                        {{"", prompt},
                         {"g\r", "Enter URL: "},
                         {up + home, encoded},
                         {ctrl_c, encoded + "^C\r\n" + prompt},
                         {"g\r", "Enter URL: "},
                         {"ab" + ctrl_v + "\x1b[2J" + home, "ab^[[2J"},
                         {ctrl_c, "ab^[[2J^C\r\n" + prompt},
                         {"x\r", "EXITING"}},
                        screen,
                        raw});
    sessions.push_back(
        {"a typed escape as the second word of a line",
         start,
         {{"d " + ctrl_v + "\x1b[2J\r", shown_t + prompt + "^[[2J\r\nUNKNOWN COMMAND: ^[[2J"},
          {"x\r", "EXITING"}},
         screen,
         raw});
  }
  run_sessions(sessions);
}

TEST_F(TerminalTest, SaysWhereAPageBreaks) {
  run_sessions({
      {"a line without a record",
       "http://{host}/broken",
       {{"", "ERROR DECODING PAGE\r\nAT LINE 41: no record here\r\nTITLE: Broken\r\n"},
        {"x\r", "EXITING"}},
       {50, 80, ""}},
      {"an empty line",
       "http://{host}/blank",
       {{"", "ERROR DECODING PAGE\r\nAT LINE 3: (EMPTY LINE)\r\nTITLE: Blank\r\n1: A \r\n"},
        {"x\r", "EXITING"}}},
      {"a long line, cut to the terminal's width",
       "http://{host}/wide",
       {{"", "AT LINE 41: " + std::string(65, 'w') + "...\r\nTITLE: Broken\r\n"},
        {"x\r", "EXITING"}},
       {50, 80, ""}},
      {"cut to a narrower terminal",
       "http://{host}/wide",
       {{"", "AT LINE 41: " + std::string(25, 'w') + "...\r\nTITLE: Broken\r\n"},
        {"x\r", "EXITING"}},
       {50, 40, ""}},
  });
}

TEST_F(TerminalTest, SaysWhatALoadIsDoing) {
  run_sessions({
      {"a status line while a page drips in, erased when it is in",
       "http://{host}/trickle",
       {{"", "\rRECEIVED "},
        {"", " CTRL-C STOPS\x1b[K"},
        {"", "\r\x1b[KTITLE: Drip\r\n1: One \r\n" + hint + prompt},
        {"x\r", "EXITING"}}},
      {"Ctrl-C stops a load, and says so before the page that arrived",
       "http://{host}/trickle",
       {{"", "\rRECEIVED "}, {ctrl_c, "\r\x1b[KRETRIEVAL STOPPED\r\n"}, {"x\r", "EXITING"}}},
      {"how much of the announced length",
       "http://{host}/trickle",
       {{"", "\rRECEIVED "},
        {"", " OF 19 B ("},
        {"", "%), CTRL-C STOPS\x1b[K"},
        {"x\r", "EXITING"}}},
      {"how long nothing has arrived",
       "http://{host}/hang",
       {{"", "\rNOTHING RECEIVED FOR 5 S, CTRL-C STOPS\x1b[K"},
        {ctrl_c, "RETRIEVAL STOPPED\r\nTITLE: \r\n(NO RECORDS)\r\n" + hint + prompt},
        {"x\r", "EXITING"}}},
      {"TERM=dumb: one status line, never rewritten",
       "http://{host}/trickle",
       {{"", "CONNECTING TO http://{host}/trickle\r\nRECEIVED "},
        {"", " CTRL-C STOPS\r\nTITLE: Drip\r\n1: One \r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {24, 80, "", "dumb"},
       {"\x1b", "\rRECEIVED", "STOPS\r\nRECEIVED"}},
  });
}

TEST_F(TerminalTest, KeysTypedDuringALoadWaitUnechoed) {
  LiveRun run({"http://" + server.host() + "/trickle"}, LiveRun::Input::terminal);
  ASSERT_TRUE(run.shows("\rRECEIVED ")) << run.output;
  run.type("d\r");
  ASSERT_TRUE(run.shows("TITLE: Drip\r\n1: One \r\n" + hint + prompt + "d\r\nTITLE: Drip\r\n"))
      << run.output;
  const std::string loading = run.output.substr(0, run.output.find("TITLE:"));
  EXPECT_EQ(loading.find('d'), std::string::npos) << "echoed into the page: " << loading;
  run.type("x\r");
  EXPECT_EQ(run.finish(), 0);
}

TEST_F(TerminalTest, ShowsOneScreenAtATime) {
  const Screen thirty{30, 80, ""};
  auto rows = [](int from, int to) {
    std::string shown;
    for (int n = from; n <= to; ++n) {
      const std::string number = std::to_string(n);
      shown += std::string(3 - number.size(), '0') + number + ": Row " + number + " \r\n";
    }
    return shown;
  };
  // Rows with each `found` marked, as a terminal (or a dumb one) shows them.
  auto marked = [](std::string shown, const std::string& found, bool dumb = false) {
    const std::string with_marks = dumb ? "[" + found + "]" : mark(found);
    for (std::size_t at = shown.find(found); at != std::string::npos;
         at = shown.find(found, at + with_marks.size()))
      shown.replace(at, found.size(), with_marks);
    return shown;
  };
  run_sessions({
      {"Space, Enter and q; what the load said stays on the first screenful",
       "http://{host}/long",
       {{"", "CONNECTING TO http://{host}/long\r\nTITLE: Long\r\n" + rows(1, 27) + more},
        {" ", "\r\x1b[K" + rows(28, 56) + more},
        {"\r", "\r\x1b[K" + rows(57, 57) + more},
        {"q", "\r\x1b[K" + hint + prompt},
        {"d d\r", "d\r\nTITLE: Long\r\n" + rows(1, 28) + more},
        {ctrl_c, "\r\x1b[K" + prompt},  // the second d goes with Ctrl-C
        {"x\r", "x\r\nEXITING"}},
       thirty},
      {"a page that fits shows as before",
       start,
       {{"", shown_t + hint + prompt}, {"x\r", "EXITING"}},
       thirty},
      {"the pause keys: PageDown, f, Down, j, PageUp, Up, b, k; any other key is the pause's",
       "http://{host}/long",
       {{"", "TITLE: Long\r\n" + rows(1, 27) + more},
        {"\x1b[6~", "\r\x1b[K" + rows(28, 56) + more},
        {"\x1b[B", "\r\x1b[K" + rows(57, 57) + more},
        {"\x1b[5~", "\r\x1b[KTITLE: Long\r\n" + rows(1, 28) + more},
        {"f", "\r\x1b[K" + rows(29, 57) + more},
        {"x", ""},
        {"\x1b[1;5C", ""},
        {"\x1bOB", "\r\x1b[K" + rows(58, 58) + more},
        {"j", "\r\x1b[K" + rows(59, 59) + more},
        {"\x1b[A", "\r\x1b[KTITLE: Long\r\n" + rows(1, 28) + more},
        {" ", "\r\x1b[K" + rows(29, 57) + more},
        {" ", "\r\x1b[K" + rows(58, 86) + more},
        {"b", "\r\x1b[K" + rows(29, 57) + more},
        {"k", "\r\x1b[KTITLE: Long\r\n" + rows(1, 28) + more},
        {"q", "\r\x1b[K" + hint + prompt},
        {"x\r", "x\r\nEXITING"}},
       thirty},
      {"a narrow window gets a shorter pause line, and the title stays on the screen",
       "http://{host}/long",
       {{"", "TITLE: Long\r\n" + rows(1, 11) + shorter_more},
        {"q", "\r\x1b[K" + hint + prompt},
        {"x\r", "EXITING"}},
       {15, 40, ""},
       {more}},
      {"a very narrow window gets the shortest",
       "http://{host}/long",
       {{"", "TITLE: Long\r\n" + rows(1, 11) + "-- MORE --"},  // CONNECTING TO takes two lines
        {"q", "\r\x1b[K" + hint + "Enter line number"},        // the prompt itself wraps here
        {"x\r", "EXITING"}},
       {15, 30, ""}},
      {"a window resized at the pause is measured at the next key, and the pause line, which "
       "now wraps, is erased whole",
       "http://{host}/long",
       {{"", "TITLE: Long\r\n" + rows(1, 27) + more},
        {" ", "\r\x1b[1A\x1b[J" + rows(28, 41) + shorter_more, 10, 0, 15, 60},
        {"q", "\r\x1b[K" + hint + prompt},
        {"x\r", "EXITING"}},
       {30, 100, ""}},
      {"a digit at the pause starts the command line; rows written again keep their stars",
       "http://{host}/long-links",
       {{"", "27: Row 27 *\r\n" + more},
        {" ", "\r\x1b[K28: Row 28 *\r\n"},
        {"b", "\r\x1b[KTITLE: Linked\r\n01: Row 1 *\r\n02: Row 2 *\r\n"},
        {"7", "\r\x1b[K" + hint + prompt + "7"},
        {"\r", "CONNECTING TO http://{host}/b.txt\r\n" + shown_b},
        {"x\r", "EXITING"}},
       thirty},
      {"keys that come together at the pause each act in turn, and none reaches the prompt",
       "http://{host}/long",
       {{"", "TITLE: Long\r\n" + rows(1, 27) + more},
        {"jjjj", "\r\x1b[K" + rows(28, 28) + more + "\r\x1b[K" + rows(29, 29) + more + "\r\x1b[K" +
                     rows(30, 30) + more + "\r\x1b[K" + rows(31, 31) + more},
        {"qd", "\r\x1b[K" + hint + prompt},
        {"u\r", "u\r\nAT http://{host}/long\r\n" + prompt},
        {"d\r", "d\r\nTITLE: Long\r\n" + rows(1, 28) + more},
        {"12\r", "\r\x1b[K" + prompt + "12\r\nINVALID LINK\r\n" + prompt},
        {"x\r", "EXITING"}},
       thirty},
      {"at 40x12 with TERM=dumb, keys that come together act one by one too",
       "http://{host}/long",
       {{"", rows(1, 8) + shorter_more},  // CONNECTING TO takes two
        {"jj", "\r\n" + rows(9, 9) + shorter_more + "\r\n" + rows(10, 10) + "-- MORE"},
        {"q", "\r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"found rows go back a screenful of found rows, past the rows between them",
       "http://{host}/long",
       {{"", more},
        {"q", "\r\x1b[K" + hint + prompt},
        {"/ow 1\r", "/ow 1\r\n001: R" + mark("ow 1") + " \r\n010: R" + mark("ow 1") + "0 \r\n"},
        {"", more},
        {" ", "\r\x1b[K103: R" + mark("ow 1") + "03 \r\n"},
        {"b", "\r\x1b[K001: R" + mark("ow 1") + " \r\n010: R" + mark("ow 1") + "0 \r\n"},
        {"q", "\r\x1b[K" + prompt},
        {"x\r", "EXITING"}},
       {15, 80, ""}},
      {"TERM=dumb: the pause ends with a new line, and nothing is an escape",
       "http://{host}/long",
       {{"", rows(1, 27) + more},
        {" ", "\r\n" + rows(28, 56) + more},
        {"b", "\r\nTITLE: Long\r\n" + rows(1, 28) + more},
        {" ", "\r\n" + rows(29, 57) + more},
        {"q", "\r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {30, 80, "", "dumb"},
       {"\x1b"}},
      {"keys typed while the page loads wait for the prompt after the pause",
       "http://{host}/slow-long",
       {{"", "CONNECTING TO"}, {"x\r", more}, {"q", "\r\x1b[K" + hint + prompt}, {"", "EXITING"}},
       {10, 80, ""}},
      {"/ at the pause finds from the row after the screenful, shows it a little below the top "
       "and marks it; n and N go on and back; a capital makes case count",
       "http://{host}/long",
       {{"", "TITLE: Long\r\n" + rows(1, 27) + more},
        {"/row 25\r", "/row 25\r\x1b[K" + marked(rows(248, 276), "Row 25") + more},
        {"n", "\r\x1b[K" + marked(rows(249, 277), "Row 25") + more},
        {"N", "\r\x1b[K" + marked(rows(248, 276), "Row 25") + more},
        {"/ROW\r", "/ROW\r\x1b[KNO ROW HOLDS ROW\r\n" + more},
        {"/\r", "/\r\x1b[KNO ROW HOLDS ROW\r\n" + more},  // an empty text looks again
        {"/ro\x7fw\x1b", "/rw\r\x1b[K" + more},           // Backspace takes back, Escape goes back
        {"/Row 29\r", "\r\x1b[K" + marked(rows(288, 300), "Row 29") + hint + prompt},
        {"x\r", "EXITING"}},
       thirty},
      {"G shows the last screenful, and h lists the keys while the pause waits",
       "http://{host}/long",
       {{"", more},
        {"n", "\r\x1b[KNO SEARCH TO REPEAT (/TEXT FINDS ROWS)\r\n" + more},
        {"h", "\r\x1b[KSPACE f PAGEDOWN   NEXT SCREEN\r\n"},
        {"", "0-9                START A COMMAND\r\n" + more},
        {" ", "\r\x1b[K" + rows(28, 56) + more},
        {"/ong\r", "NO ROW HOLDS ong\r\n" + more},
        {"N", "\r\x1b[KNO ROW HOLDS ong\r\n" + more},  // the title is no row
        {"G", "\r\x1b[K" + rows(272, 300) + hint + prompt},
        {"x\r", "EXITING"}},
       thirty},
      {"at 40x12 with TERM=dumb, a search and n typed together act in turn, marked in brackets",
       "http://{host}/long",
       {{"", rows(1, 8) + shorter_more},
        {"/row 25\rn", "\r\n/row 25\r\n" + marked(rows(23, 33), "Row 25", true) + shorter_more +
                           "\r\n" + marked(rows(248, 258), "Row 25", true) + shorter_more},
        {"h", "\r\nSPACE f PAGEDOWN   NEXT SCREEN\r\n"},
        {"", "0-9                START A COMMAND\r\n" + shorter_more},
        {"q", "\r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"in UTF-8, a character typed at the pause shows once whole; a text fills the line at most; "
       "the list of commands finds too",
       "http://{host}/long",
       {{"", shorter_more},
        {"/\xc3\xa9\r", "\r\n/\xc3\xa9\r\nNO ROW HOLDS \xc3\xa9\r\n" + shorter_more},
        {"/\xc3\xa9\x7fx\r", "\r\n/\xc3\xa9\r\n/x\r\nNO ROW HOLDS x\r\n" + shorter_more},
        {"/" + std::string(45, 'y') + "\r", "\r\n/" + std::string(38, 'y') + "\r\nNO ROW HOLDS y"},
        {"q", prompt},
        {"?\r", "-- MORE"},
        {"/file:\r", "~/, or [file:]///PATH\r\n"},
        {"", prompt},
        {"x\r", "EXITING"}},
       {12, 40, "C.UTF-8", "dumb"},
       {"\x1b"}},
      {"with TERM=dumb the brackets of what the pager found count in the lines above it and in "
       "the last screenful: the rows they wrap take two lines each",
       "http://{host}/wide-rows",
       {{"", "08: " + std::string(33, 'w') + "x \r\n-- MORE"},  // CONNECTING TO takes two
        {"/x\r", "/x\r\n08: " + std::string(33, 'w') + "[x] \r\n"},
        {"", "12: " + std::string(33, 'w') + "[x] \r\n-- MORE"},
        {"G", "\r\n16: " + std::string(33, 'w') + "[x] \r\n"},
        {"", "20: " + std::string(33, 'w') + "[x] \r\n21: End \r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"the search finds the last row when it is the row after the screenful",
       "http://{host}/wide-rows",
       {{"", "08: " + std::string(33, 'w') + "x \r\n-- MORE"},
        {" ", "19: " + std::string(33, 'w') + "x \r\n-- MORE"},
        {"\r", "20: " + std::string(33, 'w') + "x \r\n-- MORE"},
        {"/end\r", "/end\r\n19: " + std::string(33, 'w') + "x \r\n"},
        {"", "21: [End] \r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"in the rows /TEXT found, the pager finds among them, and its marks take the place of "
       "the first search's",
       "http://{host}/long",
       {{"", more},
        {"q", prompt},
        {"/ow 1\r", "102: R" + mark("ow 1") + "02 \r\n" + more},
        {"/Row 19\r", "/Row 19\r\x1b[K188: Row 188 \r\n189: Row 189 \r\n" +
                          marked(rows(190, 199), "Row 19") + prompt},
        {"x\r", "EXITING"}},
       {15, 80, ""}},
  });
}

// At a terminal nothing being read is lost: a stopped load shows what
// arrived, a page shows its own rows, and a load that brings no page changes
// nothing.
TEST_F(TerminalTest, NothingYouAreReadingIsLost) {
  const std::string shown_fails =
      "TITLE: Fails\r\n1: Html *\r\n2: Gone *\r\n3: Down *\r\n4: Empty *\r\n5: Open *\r\n";
  const std::string loaded_fails = "CONNECTING TO http://{host}/fails.txt\r\n" + shown_fails;
  const std::string staying = "STAYING ON http://{host}/fails.txt\r\n" + prompt;
  run_sessions({
      {"a stopped load shows every whole line that arrived",
       "http://{host}/part",
       {{"", " CTRL-C STOPS"},
        {ctrl_c, "RETRIEVAL STOPPED\r\nTITLE: Part\r\n1: One \r\n2: Two \r\n" + hint + prompt},
        {"x\r", "EXITING"}},
       {},
       {"ERROR DECODING PAGE"}},
      {"a page shows its own rows, and says when it has none; a body without one is no page",
       "http://{host}/empty",
       {{"", "TITLE: \r\n(NO RECORDS)\r\n" + hint + prompt},
        {"g\r", "Enter URL: "},
        {"{host}/open.txt\r", "TITLE: Open\r\n1: One \r\n2:  \r\n3:  \r\n4:  \r\n5: Five \r\n"},
        {"g\r", "Enter URL: "},
        {"{host}/empty\r",
         "NOT A PAGE (NO RECORD IN IT)\r\nSTAYING ON http://{host}/open.txt\r\n" + prompt},
        {"g\r", "Enter URL: "},
        {"{host}/html200\r",
         "NOT A PAGE (NO RECORD IN IT)\r\nSTAYING ON http://{host}/open.txt\r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"b goes back through every page left by a link or by g",
       start,
       {{"", shown_t + hint + prompt},
        {"3\r", shown_b + prompt},
        {"g\r", "Enter URL: "},
        {"{host}/open.txt\r", "TITLE: Open\r\n"},
        {"g\r", "Enter URL: "},
        {"{host}/empty\r", "NOT A PAGE (NO RECORD IN IT)\r\nSTAYING ON http://{host}/open.txt"},
        {"u\r", "AT http://{host}/open.txt\r\nBACK TO http://{host}/b.txt\r\n" + prompt},
        {"b\r", "CONNECTING TO http://{host}/b.txt\r\n" + shown_b + prompt},
        {"b\r", "CONNECTING TO http://{host}/t.txt\r\n" + shown_t + prompt},
        {"u\r", "AT http://{host}/t.txt\r\n" + prompt},
        {"b\r", "NO PAGE TO GO BACK TO\r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"a load that brings no page changes nothing",
       "http://{host}/fails.txt",
       {{"", shown_fails + hint + prompt},
        {"1\r", "HTTP STATUS 404\r\n" + staying},
        {"3\r", "RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\r\n" + staying},
        {"d\r", "d\r\n" + shown_fails},
        {"b\r", "b\r\nNO PAGE TO GO BACK TO\r\n" + prompt},
        {"r\r", loaded_fails},
        {"2\r", "HTTP STATUS 404\r\nTITLE: Gone\r\n" + prompt},
        {"b\r", loaded_fails},
        {"g\r", "Enter URL: "},
        {up, "http://" + down + "/x"},
        {"\r", "COULDN'T CONNECT TO SERVER\r\n" + staying},
        {"x\r", "EXITING"}},
       {},
       {"ERROR DECODING PAGE"}},
      {"b takes a page that does not come off the trail, so that it never stands in the way",
       "http://" + down + "/x",
       {{"", "(NO RECORDS)\r\n" + hint + prompt},
        {"g\r", "Enter URL: "},
        {"{host}/t.txt\r", shown_t + prompt},
        {"b\r", "COULDN'T CONNECT TO SERVER\r\nSTAYING ON http://{host}/t.txt\r\n" + prompt},
        {"u\r", "u\r\nAT http://{host}/t.txt\r\n" + prompt},
        {"b\r", "b\r\nNO PAGE TO GO BACK TO\r\n" + prompt},
        {"x\r", "EXITING"}}},
  });
}

// At a terminal a person sees where each link goes and where the page is,
// and finds rows by their labels.
TEST_F(TerminalTest, ShowsWhereLinksGoAndFindsRows) {
  server.route("/links.txt", {"0:Links|{host}/t.txt|-\n1:Plain|http://{host}/b.txt|-\n"
                              "2:Secure News|https://{host}/s.txt|-\n3:No link||-\n"
                              "4:Old NEWS|news.txt|\\\n9:Hidden news|{host}/b.txt|-\n"});
  const std::string links = "http://{host}/links.txt";
  const std::string shown_links = "TITLE: Links\r\n1: Plain *\r\n2: Secure News *\r\n";
  run_sessions({
      {"l lists every link, record 0 and those above the last row too",
       links,
       {{"", shown_links},
        {"l\r",
         "l\r\n0: Links -> http://{host}/t.txt\r\n1: Plain -> http://{host}/b.txt\r\n"
         "2: Secure News -> http://{host}/s.txt (HTTPS NOT SUPPORTED)\r\n"
         "4: Old NEWS -> http://news.txt\r\n9: Hidden news -> http://{host}/b.txt\r\n" +
             prompt},
        {"x\r", "EXITING"}}},
      {"/ finds the rows shown, in any case and with spaces, and marks the text; / repeats it",
       links,
       {{"", shown_links},
        {"/news\r",
         "/news\r\n2: Secure " + mark("News") + " *\r\n4: Old " + mark("NEWS") + " *\r\n" + prompt},
        {"/SECURE n\r", "/SECURE n\r\n2: " + mark("Secure N") + "ews *\r\n" + prompt},
        {"/\r", "/\r\n2: " + mark("Secure N") + "ews *\r\n" + prompt},
        {"/secure  n\r", "/secure  n\r\nNO ROW MATCHES\r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"with TERM=dumb the brackets count in a row's lines: rows they wrap fill the screen sooner",
       "http://{host}/wide-rows",
       {{"", "-- MORE"},
        {"q", prompt},
        {"/x\r", "/x\r\n01: "},
        {"", "05: " + std::string(33, 'w') + "[x] \r\n-- MORE"},  // two lines each
        {"q", prompt},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"with TERM=dumb the marks are brackets, and every match is marked",
       links,
       {{"", shown_links},
        {"/e\r", "/e\r\n2: S[e]cur[e] N[e]ws *\r\n4: Old N[E]WS *\r\n"},
        {"x\r", "EXITING"}},
       {12, 40, "", "dumb"},
       {"\x1b"}},
      {"u says where the page is, and where b goes",
       links,
       {{"", shown_links},
        {"u\r", "u\r\nAT http://{host}/links.txt\r\n" + prompt},
        {"1\r", shown_b + prompt},
        {"u\r", "u\r\nAT http://{host}/b.txt\r\nBACK TO http://{host}/links.txt\r\n" + prompt},
        {"x\r", "EXITING"}}},
      {"a page without links, and no search yet",
       "http://{host}/open.txt",
       {{"", "5: Five"},
        {"l\r", "l\r\nNO LINKS\r\n" + prompt},
        {"/\r", "/\r\nNO SEARCH TO REPEAT (/TEXT FINDS ROWS)\r\n" + prompt},
        {"?\r", "  l       list the links"},
        {"x\r", "EXITING"}}},
      {"a list longer than the screen comes a screenful at a time",
       "http://{host}/long-links",
       {{"", more},
        {"q", prompt},
        {"l\r", "l\r\n01: Row 1 -> http://{host}/b.txt\r\n"},
        {"", "14: Row 14 -> http://{host}/b.txt\r\n" + more},
        {" ", "\r\x1b[K15: Row 15 -> http://{host}/b.txt\r\n"},
        {"", "28: Row 28 -> http://{host}/b.txt\r\n" + more},
        {" ", "\r\x1b[K29: Row 29 -> http://{host}/b.txt\r\n"},
        {"b", "\r\x1b[K15: Row 15 -> http://{host}/b.txt\r\n"},
        {"", "28: Row 28 -> http://{host}/b.txt\r\n" + more},
        {"/b.txt\r", "/b.txt\r\x1b[K27: Row 27 -> http://{host}/" + mark("b.txt") + "\r\n"},
        {"q", "\r\x1b[K" + prompt},
        {"/row\r", "01: " + mark("Row") + " 1 *\r\n"},
        {"", more},
        {" ", "\r\x1b[K15: " + mark("Row") + " 15 *\r\n"},
        {" ", "\r\x1b[K29: " + mark("Row") + " 29 *\r\n"},
        {"k", "\r\x1b[K15: " + mark("Row") + " 15 *\r\n16: " + mark("Row") + " 16 *\r\n"},
        {"q", "\r\x1b[K" + prompt},
        {"x\r", "EXITING"}},
       {15, 80, ""}},
  });
}

// --dump at a terminal: the terminal's text rule, and no pause however long.
TEST_F(TerminalTest, DumpAtATerminalNeverPauses) {
  server.route("/cafe", {"0:Caf\xe9||\\\n"});  // passes through a pipe, not to UTF-8
  for (const char* page : {"/long", "/cafe"}) {
    LiveRun run({"--dump", "http://" + server.host() + page}, LiveRun::Input::terminal,
                {24, 80, "C.UTF-8"});
    ASSERT_TRUE(run.shows(page == std::string("/long") ? "300: Row 300 \r\n" : "TITLE: CafM-i\r\n"))
        << run.output;
    EXPECT_EQ(run.finish(), 0);
    EXPECT_EQ(run.output.find("MORE"), std::string::npos);
  }
}

// --check --links with standard error at the terminal: a status line counts
// the links done, and is erased before the report.
TEST_F(TerminalTest, LinkCheckShowsHowFar) {
  LiveRun run({"--check", "--links", "http://" + server.host() + "/b.txt"},
              LiveRun::Input::all_at_terminal);
  ASSERT_TRUE(run.shows("\rCHECKING LINKS: 1 OF 1\x1b[K\r\x1b[K")) << run.output;
  EXPECT_EQ(run.finish(), 0);
}

// --check --site with standard error at the terminal: a status line says how
// far it has come, Ctrl-C stops it, and the report is written where the
// status line was.
TEST_F(TerminalTest, SiteCheckShowsHowFarAndStopsAtCtrlC) {
  server.route("/s/start.txt", {"0:Start||-\n1:Hangs|{host}/hang|-\n"});
  const std::string start = "http://" + server.host() + "/s/start.txt";
  LiveRun run({"--check", "--site", start}, LiveRun::Input::all_at_terminal);
  ASSERT_TRUE(
      run.shows("\rCHECKING SITE: 1 PAGE CHECKED, 1 WAITING, 0 LINKS CHECKED, "
                "CTRL-C STOPS\x1b[K"))
      << run.output;
  run.type("\x03");
  EXPECT_EQ(run.finish(), 1);
  const std::string erased = "CTRL-C STOPS\x1b[K^C\r\x1b[K";  // the terminal echoes ^C
  ASSERT_NE(run.output.rfind(erased), std::string::npos) << run.output;
  EXPECT_EQ(run.output.substr(run.output.rfind(erased) + erased.size()),
            start +
                ":2: warning: no terminator record: readers see as many rows as the page they "
                "came from had [no-terminator]\r\n0 errors and 1 warning in 1 page, linking to 1 "
                "address; stopped "
                "by Ctrl-C\r\nlinebrowse: stopped by Ctrl-C: 1 of 2 addresses not retrieved\r\n");
}

// Ctrl-Z needs a shell with job control to stop the browser and go on with it.
TEST_F(TerminalTest, CtrlZSuspendsAndFgShowsTheLineAgain) {
  LiveRun run({"http://" + server.host() + "/t.txt"}, LiveRun::Input::shell);
  ASSERT_TRUE(run.shows("3: To B *\r\n" + hint + prompt)) << run.output;
  for (const Step& step : std::vector<Step>{{"ab", "ab"},
                                            {"\x1a", "Stopped"},
                                            {"fg\r", prompt + "ab"},
                                            {"c\r", "c\r\nUNKNOWN COMMAND: abc "},
                                            {"x\r", "EXITING\r\n"}}) {
    run.type(step.keys);
    ASSERT_TRUE(run.shows(step.shows)) << step.keys << " did not show " << step.shows << " in\n"
                                       << run.output;
    if (step.keys == "fg\r") {
      EXPECT_TRUE(run.terminal_taken()) << "the editor's mode was not set again after fg";
    }
  }
  ASSERT_TRUE(run.shows("$ ")) << "the shell's prompt after the browser";
  run.type("exit\r");
  EXPECT_EQ(run.finish(), 0);
  EXPECT_EQ(run.errors, "");
}

// Ended by any signal at a prompt, at the pause or during a load, the run
// leaves the terminal echoing and editing lines, as it found it, and erases
// a status line it was showing.
TEST_F(TerminalTest, EndingLeavesTheTerminalAsFound) {
  struct Ending {
    int signal;
    std::string path, shows;
  };
  const std::string status = "CTRL-C STOPS\x1b[K";
  const Ending endings[] = {
      {SIGTERM, "/hang", status},  {SIGHUP, "/t.txt", prompt}, {SIGQUIT, "/hang", status},
      {SIGUSR1, "/t.txt", prompt}, {SIGUSR1, "/long", more},   {SIGUSR1, "/hang", status},
      {SIGALRM, "/t.txt", prompt}, {SIGALRM, "/long", more},   {SIGALRM, "/hang", status},
      {0, "/t.txt", prompt},  // no signal: x ends the run as usual
  };
  for (const Ending& e : endings) {
    const std::string what = e.path + ", signal " + std::to_string(e.signal);
    LiveRun run({"http://" + server.host() + e.path}, LiveRun::Input::terminal, {30, 80, ""});
    ASSERT_TRUE(run.shows(e.shows)) << what << "\n" << run.output;
    ASSERT_TRUE(run.terminal_taken()) << what << ": the browser had set the terminal";
    if (e.signal == 0)
      run.type("x\r");
    else
      run.interrupt(e.signal);
    EXPECT_EQ(run.finish(), e.signal == 0 ? 0 : 128 + e.signal) << what;
    EXPECT_TRUE(run.terminal_cooked()) << what;
    if (e.shows == status) {
      EXPECT_TRUE(run.output.ends_with("\r\x1b[K")) << what << ": the status line stayed";
    }
  }
}

// Piped, the same Ctrl-C ends the run as it always has: SIGINT's default.
// A terminal on one side only is a script's too (`linebrowse URL > out.txt`):
// no pause on a long page, no escapes, and Ctrl-C ends the run.
TEST_F(TerminalTest, PipedRunsStayScriptsAtATerminalOnOneSide) {
  const std::string host = server.host();
  for (LiveRun::Input input : {LiveRun::Input::pipes, LiveRun::Input::keys_at_terminal,
                               LiveRun::Input::output_at_terminal}) {
    const std::string what = "input kind " + std::to_string(static_cast<int>(input));
    LiveRun long_page({"http://" + host + "/long"}, input);
    ASSERT_TRUE(long_page.shows("300: Row 300 ")) << what << "\n" << long_page.output;
    ASSERT_TRUE(long_page.shows(prompt)) << what;
    long_page.type("x\n");
    EXPECT_EQ(long_page.finish(), 0) << what;
    EXPECT_EQ(long_page.output.find('\x1b'), std::string::npos) << what << ": an escape";
    EXPECT_EQ(long_page.output.find("MORE"), std::string::npos) << what << ": a pause";

    LiveRun run({"http://" + host + "/hang"}, input);
    ASSERT_TRUE(run.shows("CONNECTING TO http://" + host + "/hang")) << what;
    run.interrupt();
    EXPECT_EQ(run.finish(), 128 + 2) << what;
    EXPECT_EQ(run.output.find("STOPPED"), std::string::npos) << what;
    EXPECT_EQ(run.errors, "") << what;
  }
}

}  // namespace
