// The runs for scripts and authors, with the real binary against loopback
// servers: --dump's output and exit status, and --check's report lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

struct Expected {
  const char* what;
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string out;
  std::string err;
};

class PageToolsTest : public testing::Test {
 protected:
  void SetUp() override {
    server.route("/a.txt", {"0:Page A \x1b[2J||-\n1:One|{host}/b.txt|-\n3:Three||\\\n"});
    server.route("/b.txt", {"0:B||-\n1:Back|{host}/a.txt|\\\n"});
    server.route("/open.txt", {"0:Open||-\n1:One||-\n"});
    server.route("/gone.txt", {"0:Gone||-\n1:Still here||\\\n", "404 Not Found"});
    server.route("/html404", {"<html>\n<body>Not here</body>\n", "404 Not Found"});
    server.route("/broken.txt", {"0:Broken||-\n1:One||-\nno record\n2:Two||\\\n"});
    server.route("/short.txt", {"0:Short||-\n1:One||-\n", "200 OK", Reply::Style::cut_short});
    server.route("/empty", {""});
    server.route("/moved",
                 {"", "301 Moved Permanently", Reply::Style::whole, "Location: /b.txt\r\n"});
  }

  void expect_runs(const std::vector<Expected>& runs) {
    for (const Expected& e : runs) {
      std::vector<std::string> args;
      for (const auto& arg : e.args) args.push_back(with_host(arg, server.host()));
      const ProgramRun run = run_browser(args, with_host(e.input, server.host()));
      EXPECT_TRUE(run.exited) << e.what;
      EXPECT_EQ(run.status, e.status) << e.what;
      EXPECT_EQ(run.out, with_host(e.out, server.host())) << e.what;
      EXPECT_EQ(run.err, with_host(e.err, server.host())) << e.what;
    }
  }

  LoopbackServer server;
  const std::string down = "127.0.0.1:" + std::to_string(closed_port());  // nothing listens
};

const std::string try_help = "Try 'linebrowse --help'.\n";

TEST_F(PageToolsTest, DumpWritesThePageAndSaysWhetherItCameWhole) {
  const std::string failed = "linebrowse: http://{host}/";
  const std::string folder = test_home() + "/dump";
  mkdir(folder.c_str(), 0700);
  std::ofstream(folder + "/a page.txt") << "0:On disk||-\n1:One||\\\n";
  mkfifo((folder + "/fifo").c_str(), 0600);
  std::ofstream(folder + "/big.txt") << "0:Big||-\n1:Row||\\\n";
  std::filesystem::resize_file(folder + "/big.txt", std::uintmax_t{65} << 20);  // then NULs
  const std::string at = "file://" + folder;
  expect_runs({
      {"a file:// address on this host",
       {"--dump", "file://localhost" + folder + "/a%20page.txt"},
       "",
       0,
       "TITLE: On disk\n1: One \n",
       ""},
      {"nor on another",
       {"--dump", "file://elsewhere" + folder + "/a%20page.txt"},
       "",
       1,
       "",
       "linebrowse: file://elsewhere" + folder +
           "/a%20page.txt: RETRIEVAL FAILED: INVALID ARGUMENT\n"},
      {"a page by its path",
       {"--dump", folder + "/a page.txt"},
       "",
       0,
       "TITLE: On disk\n1: One \n",
       ""},
      {"a file past the cap is cut there, and said to be",
       {"--dump", folder + "/big.txt"},
       "",
       1,
       "TITLE: Big\n1: Row \n",
       "linebrowse: " + at + "/big.txt: PAGE CUT AT 64 MIB\nlinebrowse: " + at +
           "/big.txt: ERROR DECODING PAGE AT LINE 3\n"},
      {"a FIFO is no file, and nothing waits for it",
       {"--dump", folder + "/fifo"},
       "",
       1,
       "",
       "linebrowse: " + at + "/fifo: NOT A FILE: " + folder + "/fifo\n"},
      {"nor is a folder",
       {"--dump", at},
       "",
       1,
       "",
       "linebrowse: " + at + ": NOT A FILE: " + folder + "\n"},
      {"a whole page: title and rows as the dialogue shows them, input never read",
       {"--dump", "http://{host}/a.txt"},
       "x\n",
       0,
       "TITLE: Page A ^[[2J\n1: One *\n2:  \n3: Three \n",
       ""},
      {"a page without a terminator shows its own rows",
       {"--dump", "http://{host}/open.txt"},
       "",
       0,
       "TITLE: Open\n1: One \n",
       ""},
      {"a body without any record is no page, and nothing is written",
       {"--dump", "http://{host}/empty"},
       "",
       1,
       "",
       failed + "empty: NOT A PAGE (NO RECORD IN IT)\n"},
      {"a status outside 2xx: the rows that came, and the status",
       {"--dump", "http://{host}/gone.txt"},
       "",
       1,
       "TITLE: Gone\n1: Still here \n",
       failed + "gone.txt: HTTP STATUS 404\n"},
      {"a 404 page in HTML: the status alone, and nothing written",
       {"--dump", "http://{host}/html404"},
       "",
       1,
       "",
       failed + "html404: HTTP STATUS 404\n"},
      {"a redirect is not followed",
       {"--dump", "http://{host}/moved"},
       "",
       1,
       "",
       failed + "moved: HTTP STATUS 301, MOVED TO http://{host}/b.txt\n"},
      {"a page that breaks: the records before the line",
       {"--dump", "http://{host}/broken.txt"},
       "",
       1,
       "TITLE: Broken\n1: One \n",
       failed + "broken.txt: ERROR DECODING PAGE AT LINE 3\n"},
      {"a transfer cut short",
       {"--dump", "http://{host}/short.txt"},
       "",
       1,
       "TITLE: Short\n1: One \n",
       failed + "short.txt: RETRIEVAL FAILED: TRANSFERRED A PARTIAL FILE\n"},
      {"no server: nothing written",
       {"--dump", "http://" + down + "/x"},
       "",
       1,
       "",
       "linebrowse: http://" + down + "/x: RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\n"},
      {"no address", {"--dump"}, "", 2, "", "linebrowse: --dump needs an address\n" + try_help},
      {"a second address",
       {"--dump", "http://{host}/a.txt", "http://{host}/b.txt"},
       "",
       2,
       "",
       "linebrowse: --dump takes one address: http://{host}/b.txt is one more\n" + try_help},
  });
}

// Output that cannot be written is a failure in every kind of run, said once
// in the system's words; a closed pipe with SIGPIPE at its default still ends
// the run by that signal.
TEST_F(PageToolsTest, AFailedWriteIsAFailure) {
  using Output = Limits::Output;
  const std::string full = "linebrowse: write error: No space left on device\n";
  struct Run {
    std::vector<std::string> args;
    std::string input;
    Output output;
    std::string err;
  };
  std::string endless;  // a script that never says x, as `yes 1 |` does not
  for (int n = 0; n < 300; ++n) endless += "1 ";
  std::string many_rows = "0:Many||-\n";
  for (int n = 1; n < 5000; ++n) many_rows += std::to_string(n) + ":row||-\n";
  server.route("/many.txt", {many_rows});
  const Run runs[] = {
      {{"--dump", "http://{host}/a.txt"}, "", Output::full_disk, full},
      {{"--dump", "http://{host}/many.txt"}, "", Output::full_disk, full},  // no line fits
      {{"--check", "-"}, "0:T||-\n", Output::full_disk, full},
      {{"http://{host}/a.txt"}, "1 x\n", Output::full_disk, full},
      {{"http://{host}/a.txt"}, endless, Output::full_disk, full},
      {{"--dump", "http://{host}/a.txt"},
       "",
       Output::closed_pipe,
       "linebrowse: write error: Broken pipe\n"},
  };
  for (const Run& r : runs) {
    std::vector<std::string> args;
    for (const auto& arg : r.args) args.push_back(with_host(arg, server.host()));
    const std::size_t asked_before = server.requests().size();
    const ProgramRun run = run_browser(args, r.input, 30, {0, 0, r.output});
    EXPECT_TRUE(run.exited) << args.back();
    EXPECT_EQ(run.status, 1) << args.back();
    EXPECT_EQ(run.err, r.err) << args.back();
    EXPECT_LE(server.requests().size() - asked_before, 2U) << "links followed after the failure";
  }
}

// One small page for each problem, read from standard input.
TEST_F(PageToolsTest, CheckReportsEveryProblemWithItsLine) {
  const std::string ok = "0:T||-\n1:a||\\\n";  // a clean start: title and terminator
  struct Page {
    std::string body;
    std::string report;  // without the summary line
    std::string summary;
  };
  const std::string stops = ": readers stop here";
  const Page pages[] = {
      {"0:T||-\n1:a|http://h/x|\\\n", "", ""},
      {ok + "hello\nx\ny\n",
       "-:3: error: not a record: no number and colon start it" + stops +
           ": the 2 lines below are not shown [not-a-record]\n"
           "-:4: error: not a record: no number and colon start it [not-a-record]\n"
           "-:5: error: not a record: no number and colon start it [not-a-record]\n",
       "3 errors and 0 warnings in 1 page"},
      {ok + "\n2:b||-\n",
       "-:3: error: empty line, which holds no record" + stops +
           ": the line below is not shown [empty-line]\n"
           "-:4: warning: record 2 is above the last row, 1, so it is not shown [above-last-row]\n",
       "1 error and 1 warning in 1 page"},
      {ok + ":x||-\n", "-:3: error: record without a number" + stops + " [not-a-record]\n",
       "1 error and 0 warnings in 1 page"},
      {ok + "99999999999:x||-\n",
       "-:3: error: record number 99999999999 is above the largest, 2147483647" + stops +
           " [number-too-large]\n",
       "1 error and 0 warnings in 1 page"},
      {"0:T||-\n1:a|h/a b|\\\n",
       "-:2: error: link target holds a space: it cannot be retrieved as written "
       "[unsendable-target]\n",
       "1 error and 0 warnings in 1 page"},
      {"0:T||-\n1:a|h/a\tb|\\\n",
       "-:2: error: link target holds a control character: it cannot be retrieved as written "
       "[unsendable-target]\n",
       "1 error and 0 warnings in 1 page"},
      {"0:T||-\n1:a|h/a\x7f|\\\n",
       "-:2: error: link target holds a control character: it cannot be retrieved as written "
       "[unsendable-target]\n",
       "1 error and 0 warnings in 1 page"},
      {std::string("0:T||-\n1:a|h/a\0b|\\\n", 19),
       "-:2: error: link target holds a NUL byte: it cannot be retrieved as written "
       "[unsendable-target]\n",
       "1 error and 0 warnings in 1 page"},
      {"1:a||\\\n", "-:1: warning: no title record (record 0) [no-title]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n",
       "-:1: warning: no terminator record: readers see as many rows as the page they came from "
       "had [no-terminator]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||\\\n1:a||\\\n",
       "-:2: warning: another terminator record; the first is on line 1, and the last one read "
       "sets the last row [another-terminator]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:a||-\n2:b||\\\n1:c||-\n",
       "-:4: warning: record 1 again: it replaces the one on line 2 [repeated-record]\n",
       "0 errors and 1 warning in 1 page"},
      {ok + "5:b|http://h/x|-\n6:c||-\n",
       "-:3: warning: record 5 is above the last row, 1, so it is not shown, though its link "
       "works [above-last-row]\n"
       "-:4: warning: record 6 is above the last row, 1, so it is not shown [above-last-row]\n",
       "0 errors and 2 warnings in 1 page"},
      {"0:T||-\n1:a|news.txt|\\\n",
       "-:2: warning: write the full address: readers load this target as \"http://news.txt\" "
       "[partial-address]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:a|https://h/x|\\\n",
       "-:2: warning: https link target: it is loaded over plain http [https-target]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:a\x1b[2J||\\\n",
       "-:2: warning: label holds a control character [control-character]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:caf\xe9|http://h/\xc3|\\\n",
       "-:2: warning: label is not valid UTF-8 [not-utf8]\n-:2: warning: link target is not valid "
       "UTF-8 [not-utf8]\n",
       "0 errors and 2 warnings in 1 page"},
      {"0:T||-\nxx1:a||\\ tail\n",
       "-:2: warning: text before the record is ignored: \"xx\" [text-before-record]\n"
       "-:2: warning: text after the record is ignored: \" tail\" [text-after-record]\n",
       "0 errors and 2 warnings in 1 page"},
      {ok + "1:one|x|\n",
       "-:3: error: not a record: no flag after the bar that ends the target" + stops +
           " [not-a-record]\n",
       "1 error and 0 warnings in 1 page"},
      {ok + "2 two||-\n",
       "-:3: error: not a record: no colon after the number" + stops + " [not-a-record]\n",
       "1 error and 0 warnings in 1 page"},
      {ok + "1:a|b\n",
       "-:3: error: not a record: no bar after the target" + stops + " [not-a-record]\n",
       "1 error and 0 warnings in 1 page"},
      {"\xef\xbb\xbf" + ok,
       "-:1: warning: a byte-order mark (EF BB BF) before the record is ignored; save the page "
       "without it [byte-order-mark]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:a|http://b|c|d|\\\n",
       "-:2: warning: no terminator record: readers see as many rows as the page they came from "
       "had [no-terminator]\n-:2: warning: the record ends at its flag, the byte after the second "
       "bar; the fields "
       "after it are ignored: \"c|d|\\\" [text-after-record]\n",
       "0 errors and 2 warnings in 1 page"},
      {"0:T||-\n1:a||\\ \n",
       "-:2: warning: text after the record is ignored: \" \" [text-after-record]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:a||\\\x1b[2J\x9b\n",
       "-:2: warning: text after the record is ignored: \"^[[2JM-^[\" [text-after-record]\n",
       "0 errors and 1 warning in 1 page"},
      {std::string(50, 'x') + "0:T||-\n1:a||\\\n",
       "-:1: warning: text before the record is ignored: \"" + std::string(40, 'x') +
           "...\" [text-before-record]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:a|relative/page.txt|-\n2:b|page|-\n3:c|/p.txt|\\\n",
       "-:2: warning: write the full address: readers load this target as "
       "\"http://relative/page.txt\" [partial-address]\n"
       "-:3: warning: write the full address: readers load this target as \"http://page\" "
       "[partial-address]\n"
       "-:4: warning: write the full address: readers load this target as \"http:///p.txt\" "
       "[partial-address]\n",
       "0 errors and 3 warnings in 1 page"},
      {"0:T||-\n1:a|mailto:x@y|-\n2:b|ftp://host/f|\\\n",
       "-:2: warning: a mailto: link is not retrieved: readers load this target as "
       "\"http://mailto:x@y\" [other-scheme]\n"
       "-:3: warning: a ftp: link is not retrieved: readers load this target as "
       "\"http://ftp://host/f\" [other-scheme]\n",
       "0 errors and 2 warnings in 1 page"},
      {"0:T||-\n1:a|localhost:8080/x|-\n2:b|127.0.0.1:8417/p|-\n3:c|Host.example/p|\\\n", "", ""},
      {"", "-:1: error: no record on the page: readers see an empty page [no-record]\n",
       "1 error and 0 warnings in 1 page"},
      {"0:T||-\n1:a||-\n2147483647:End||\\\n",
       "-:3: warning: the terminator's number leaves 2147483645 empty rows after record 1, the one "
       "before it [empty-rows]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\r\n1:a||\\\r\n",
       "-:1: warning: this line and 1 more end in CR LF: each CR is ignored, as text after its "
       "record [crlf]\n",
       "0 errors and 1 warning in 1 page"},
      {"0:T||-\n1:" + std::string((64 << 20) + 10, 'a') + "||\\\n",
       "-: warning: page over 64 MiB: readers get only its first 64 MiB [page-over-cap]\n-:2: "
       "warning: no "
       "terminator record: readers see as many rows as the page they came from had "
       "[no-terminator]\n-:2: error: "
       "not a record: no bar after the label" +
           stops + " [not-a-record]\n",
       "1 error and 2 warnings in 1 page"},
  };
  // What an editor reads as a problem at a line; only a retrieval's problem has none.
  const std::regex editor_line("[^:]+:[0-9]+: (error|warning): .*|[^:]+: warning: page over .*");
  for (const Page& page : pages) {
    const ProgramRun run = run_browser({"--check", "-"}, page.body);
    const std::string what = page.report.empty() ? "a clean page" : page.report;
    std::istringstream lines(page.report);
    for (std::string line; std::getline(lines, line);)
      EXPECT_TRUE(std::regex_match(line, editor_line)) << line;
    EXPECT_EQ(run.out, page.report + (page.summary.empty() ? "" : page.summary + "\n")) << what;
    EXPECT_EQ(run.err, "") << what;
    EXPECT_TRUE(run.exited) << what;
    EXPECT_EQ(run.status, page.report.find(": error: ") != std::string::npos ? 1 : 0) << what;
  }
}

TEST_F(PageToolsTest, CheckTakesFilesStandardInputAndAddresses) {
  char folder[] = "/tmp/linebrowse-check-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string clean = std::string(folder) + "/clean.txt";
  const std::string open = std::string(folder) + "/open.txt";
  std::ofstream(clean) << "0:T||-\n1:a||\\\n";
  std::ofstream(open) << "0:T||-\n";
  const std::string no_terminator =
      ":1: warning: no terminator record: readers see as many rows as the page they came from "
      "had [no-terminator]\n";
  const std::string odd = std::string(folder) + "/-odd.txt";
  std::ofstream(odd) << "0:T||-\n";
  const std::string two_warnings = "0 errors and 2 warnings in 3 pages\n";
  mkfifo((std::string(folder) + "/fifo").c_str(), 0600);
  expect_runs({
      {"two files and -: the problems, then one summary; a warning is no error",
       {"--check", clean, "-", open},
       "1:a||\\\n",
       0,
       "-:1: warning: no title record (record 0) [no-title]\n" + open + no_terminator +
           two_warnings,
       ""},
      {"--strict: a warning fails the check; options stand anywhere before the names' end",
       {"--check", clean, "-", open, "--strict"},
       "1:a||\\\n",
       1,
       "-:1: warning: no title record (record 0) [no-title]\n" + open + no_terminator +
           two_warnings,
       ""},
      {"a clean run says nothing", {"--check", clean, "--links", clean}, "", 0, "", ""},
      {"--ignore drops a kind from the report and the status; the summary counts it",
       {"--check", "--strict", "--ignore", "no-terminator", "-"},
       "1:a||-\n",
       1,
       "-:1: warning: no title record (record 0) [no-title]\n0 errors and 1 warning in 1 page, 1 "
       "problem ignored (--ignore)\n",
       ""},
      {"-- ends the options, and standard input is reported under its own name",
       {"--stdin-name", "buffer.txt", "--check", "-", "--", odd},
       "0:T||-\n",
       0,
       "buffer.txt" + no_terminator + odd + no_terminator + "0 errors and 2 warnings in 2 pages\n",
       ""},
      {"a missing file is said, and the rest still checked",
       {"--check", std::string(folder) + "/missing.txt", clean},
       "",
       2,
       "",
       "linebrowse: " + std::string(folder) + "/missing.txt: No such file or directory\n"},
      {"a FIFO is no file, never waited for",
       {"--check", std::string(folder) + "/fifo"},
       "",
       2,
       "",
       "linebrowse: " + std::string(folder) + "/fifo: not a file\n"},
      {"a name that cannot be read outweighs a page with an error",
       {"--check", std::string(folder) + "/missing.txt", "-"},
       "0:T||-\nhello\n",
       2,
       "-:2: warning: no terminator record: readers see as many rows as the page they came from "
       "had [no-terminator]\n-:2: error: not a record: no number and colon start it: readers stop "
       "here [not-a-record]\n"
       "1 error and 1 warning in 1 page\n",
       "linebrowse: " + std::string(folder) + "/missing.txt: No such file or directory\n"},
      {"--max-problems: the first problems of a page, then how many more; all are counted",
       {"--check", "--max-problems", "2", "-"},
       "0:T||-\n1:a||\\\n1:b||-\n1:c||-\n1:d||-\n",
       0,
       "-:3: warning: record 1 again: it replaces the one on line 2 [repeated-record]\n"
       "-:4: warning: record 1 again: it replaces the one on line 3 [repeated-record]\n"
       "-: note: 1 more problem not shown (--max-problems 2)\n0 errors and 3 warnings in 1 page\n",
       ""},
      {"JSON Lines: valid, in ASCII, whatever bytes the page holds; a link that fails says why",
       {"--check", "--links", "--format", "json", "--stdin-name", "a\"b\xff", "-"},
       "\xe9\x1b"
       "0:T||-\n1:One|{host}/gone.txt|-\n2:Two|" +
           down + "/x|\\\n",
       1,
       "{\"name\":\"a\\\"b\\ufffd\",\"line\":1,\"severity\":\"warning\",\"code\":\"text-before-"
       "record\","
       "\"message\":\"text "
       "before the record is ignored: \\\"\\ufffd\\u001b\\\"\"}\n"
       "{\"name\":\"a\\\"b\\ufffd\",\"line\":2,\"severity\":\"error\",\"code\":\"link-failed\","
       "\"message\":\"link to "
       "http://{host}/gone.txt: HTTP STATUS 404\",\"address\":\"http://{host}/gone.txt\","
       "\"status\":404}\n"
       "{\"name\":\"a\\\"b\\ufffd\",\"line\":3,\"severity\":\"error\",\"code\":\"link-failed\","
       "\"message\":\"link to "
       "http://" +
           down + "/x: RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\",\"address\":\"http://" +
           down +
           "/x\",\"failure\":\"RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\"}\n"
           "{\"errors\":2,\"warnings\":1,\"pages\":1,\"addresses\":0,\"pages_not_checked\":0,"
           "\"offline_not_checked\":0,\"excluded\":0,\"pages_beyond_depth\":0,\"ignored\":0,"
           "\"from_cache\":0,\"stopped\":false}\n",
       ""},
      {"workflow annotations, their properties and message escaped; the summary a notice",
       {"--check", "--format", "github", "--stdin-name", "dir,a:b%.txt", "-"},
       "0:T||-\n1:a||\\ 100%\n",
       0,
       "::warning file=dir%2Ca%3Ab%25.txt,line=2::text after the record is ignored: \" 100%25\" "
       "[text-after-record]\n"
       "::notice::0 errors and 1 warning in 1 page\n",
       ""},
      {"a line feed in a name and a CR in a message are the format's own, other controls shown",
       {"--check", "--format", "github", "--stdin-name", "a\nb\x1b.txt", "-"},
       "0:T||-\n1:a||\\ x\ry\x01\n",
       0,
       "::warning file=a%0Ab^[.txt,line=2::text after the record is ignored: \" x%0Dy^A\" "
       "[text-after-record]\n"
       "::notice::0 errors and 1 warning in 1 page\n",
       ""},
      {"an address",
       {"--check", "http://{host}/broken.txt"},
       "",
       1,
       "http://{host}/broken.txt:3: error: not a record: no number and colon start it: readers "
       "stop here: the line below is not shown [not-a-record]\n1 error and 0 warnings in 1 page\n",
       ""},
      {"an address that brings no page",
       {"--check", "http://{host}/gone.txt"},
       "",
       2,
       "",
       "linebrowse: http://{host}/gone.txt: HTTP STATUS 404\n"},
      {"no name",
       {"--check"},
       "",
       2,
       "",
       "linebrowse: --check needs a file, - or an address\n" + try_help},
      {"--max-pages is for --site, and counts pages",
       {"--check", "--max-pages", "3", clean},
       "",
       2,
       "",
       "linebrowse: --max-pages goes with --site\n" + try_help},
      {"no pages at most",
       {"--check", "--site", "--max-pages", "0", clean},
       "",
       2,
       "",
       "linebrowse: --max-pages needs a number of pages, 1 or more\n" + try_help},
      {"a count too large for its option",
       {"--check", "--site", "--max-pages", "99999999999999999999", clean},
       "",
       2,
       "",
       "linebrowse: --max-pages: 99999999999999999999 is too large (at most "
       "18446744073709551615)\n" +
           try_help},
      {"a back-reference, which no match in linear time reads",
       {"--check", "--site", "--exclude", "(.*)*\\1\\1x", "{host}/a.txt"},
       "",
       2,
       "",
       "linebrowse: --exclude (.*)*\\1\\1x: a back-reference (\\1) is not matched here: it can "
       "take time without end\n" +
           try_help},
      {"a site is checked from one address",
       {"--check", "--site", "{host}/a.txt", "{host}/b.txt"},
       "",
       2,
       "",
       "linebrowse: --site takes one address, where the site's check starts\n" + try_help},
      {"--root is for --site",
       {"--check", "--root", folder, clean},
       "",
       2,
       "",
       "linebrowse: --root goes with --site\n" + try_help},
      {"--root with a path for the start, which would read the folder as no server serves it",
       {"--check", "--site", "--root", folder, "--offline", clean},
       "",
       2,
       "",
       "linebrowse: --root " + std::string(folder) +
           " reads the folder a site is served from: start at the address it is served at, not "
           "at a path, as in --root " +
           folder + " http://HOST:PORT/PATH/clean.txt\n" + try_help},
      {"--offline needs a folder to read",
       {"--check", "--site", "--offline", "{host}/a.txt"},
       "",
       2,
       "",
       "linebrowse: --offline goes with --root: without the network only a folder can be read\n" +
           try_help},
      {"a pattern that is no regular expression",
       {"--check", "--site", "--exclude", "a(", "{host}/a.txt"},
       "",
       2,
       "",
       "linebrowse: --exclude a(: missing ): a(\n" + try_help},
      {"a site reads no standard input",
       {"--check", "--site", "--stdin-name", "a", "{host}/a.txt"},
       "",
       2,
       "",
       "linebrowse: --stdin-name does not go with --site\n" + try_help},
      {"a site whose first page does not come",
       {"--check", "--site", "{host}/gone.txt"},
       "",
       2,
       "",
       "linebrowse: http://{host}/gone.txt: HTTP STATUS 404\n"},
      {"an unknown option among the names",
       {"--check", clean, "--link"},
       "",
       2,
       "",
       "linebrowse: unknown option --link\n" + try_help},
  });
  std::remove(odd.c_str());
  std::remove(clean.c_str());
  std::remove(open.c_str());
  std::remove((std::string(folder) + "/fifo").c_str());
  rmdir(folder);
}

TEST_F(PageToolsTest, CheckLinksRetrievesEveryTarget) {
  server.route("/links.txt", {"0:Links|{host}/a.txt|-\n1:Good|http://{host}/b.txt|-\n"
                              "2:Dead|http://" +
                              down +
                              "/x|-\n3:Gone|{host}/gone.txt|-\n"
                              "4:Not a page|{host}/html404|-\n5:Mail|mailto:x@{host}/mail|-\n"
                              "6:Gone again|{host}/gone.txt|\\\n"});
  const std::string name = "http://{host}/links.txt";
  expect_runs(
      {{"good, dead, 404 and not a page; each target retrieved once, none of another "
        "scheme",
        {"--check", "--links", name},
        "",
        1,
        name + ":3: error: link to http://" + down +
            "/x: RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER [link-failed]\n" + name +
            ":4: error: link to http://{host}/gone.txt: HTTP STATUS 404 [link-failed]\n" + name +
            ":5: error: link to http://{host}/html404: HTTP STATUS 404 [link-failed]\n" + name +
            ":6: warning: a mailto: link is not retrieved: readers load this target as "
            "\"http://mailto:x@{host}/mail\" [other-scheme]\n" +
            name +
            ":7: error: link to http://{host}/gone.txt: HTTP STATUS 404 [link-failed]\n"
            "4 errors and 1 warning in 1 page\n",
        ""}});
  server.route("/nonpage.txt", {"<html>\n"});
  // A page far over the cut at which a check stops reading a target is fine.
  server.route("/big.txt", {"0:Big||-\n" + std::string(3 << 20, 'b') + "\n"});
  server.route("/links2.txt",
               {"0:T||-\n1:Not a page|{host}/nonpage.txt|-\n2:Big|{host}/big.txt|\\\n"
                "not a record\n3:Below|{host}/gone.txt|-\n"});
  expect_runs({{"a 2xx body whose first line holds no record; a big page is fine",
                {"--check", "--links", "http://{host}/links2.txt"},  // and one below a break
                "",
                1,
                "http://{host}/links2.txt:2: error: link to http://{host}/nonpage.txt: NOT A PAGE "
                "(NO RECORD IN IT) [link-not-a-page]\nhttp://{host}/links2.txt:4: error: not a "
                "record: no number and "
                "colon start it: readers stop here: the line below is not shown [not-a-record]\n"
                "http://{host}/links2.txt:5: warning: record 3 is above the last row, 2, so it is "
                "not shown, though its link works [above-last-row]\n"
                "http://{host}/links2.txt:5: error: link to http://{host}/gone.txt: HTTP STATUS "
                "404 [link-failed]\n3 errors and 1 warning in 1 page\n",
                ""}});
  const std::vector<std::string> asked = server.requests();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/gone.txt"), 2) << "a target retrieved twice";
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/mail"), 0) << "another scheme retrieved";
}

// Sixteen servers that each take a second to answer: side by side, eight at a
// time, the check takes two seconds, not sixteen, and waits for them without
// spinning.
TEST_F(PageToolsTest, CheckLinksRetrievesSideBySide) {
  std::vector<std::unique_ptr<LoopbackServer>> slow;
  std::string page = "0:Slow links||-\n";
  for (int n = 1; n <= 16; ++n) {
    slow.push_back(std::make_unique<LoopbackServer>());
    slow.back()->route("/p.txt", {"0:P||\\\n", "200 OK", Reply::Style::late});
    page += std::to_string(n) + ":Link|" + slow.back()->host() + "/p.txt|" + (n < 16 ? "-" : "\\") +
            "\n";
  }
  const auto started = std::chrono::steady_clock::now();
  const ProgramRun run = run_browser({"--check", "--links", "-"}, page);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_LT(took, std::chrono::seconds(4));
  EXPECT_LT(run.cpu_seconds, 0.5) << "a busy wait";
}

// A site with a cycle, broken and off-site links, a redirect, a page that
// breaks at line 3 and one over the cut: every page reached is checked once,
// each in the order reached, and no page off the site or below a break is
// retrieved. Run twice, the report is the same.
TEST_F(PageToolsTest, CheckSiteReportsEveryPageReachedInOneOrder) {
  LoopbackServer off_site;
  off_site.route("/p.txt", {"0:P||-\n1:Far|{host}/q.txt|\\\n"});
  const std::string off = off_site.host();
  server.route("/s/index.txt", {"0:Home||-\n1:A|{host}/s/a.txt|-\n2:Gone|{host}/s/gone.txt|-\n"
                                "3:Off|http://" +
                                off + "/p.txt|-\n4:Dead|" + down +
                                "/x|-\n"
                                "5:Moved|{host}/moved|-\n6:Big|{host}/s/big.txt|-\n"
                                "7:Broken|{host}/s/broken.txt|\\\n"});
  server.route("/s/a.txt", {"0:A||-\n1:Home|http://{host}/s/index.txt|-\n2:C|{host}/s/c.txt|-\n"
                            "3:Gone again|{host}/s/gone.txt|-\n4:|\n"});
  // Its problems come from the line, from the page's end and from the link: in line order.
  // It names gone.txt twice, and a.txt spelt another way, which is the same address.
  server.route("/s/c.txt", {"0:C|{host}/s/gone.txt|-\n1:Gone|{host}/s/gone.txt|-\n"
                            "1:Again|HTTP://{host}/s/x/../%61.txt#top|-\n"
                            "2:Html|https://{host}/s/page.html|\\\n"});
  server.route("/s/page.html", {"<html>\n"});
  server.route("/s/broken.txt",
               {"0:Broken||-\n1:One||-\nno record\n2:Two|{host}/s/never.txt|\\\n"});
  server.route(
      "/s/big.txt",
      {"0:Big||-\n1:Home|{host}/s/index.txt|-\n2:" + std::string(64 << 20, 'b') + "|\\\n"});
  const std::string at = "http://{host}/s/";
  const std::string gone =
      ": error: link to http://{host}/s/gone.txt: HTTP STATUS 404 [link-failed]\n";
  const std::string one = " (--max-problems 1)\n";
  const std::string no_terminator =
      ": warning: no terminator record: readers see as many rows as the page they came from had "
      "[no-terminator]\n";
  const std::string broken_links =
      at + "index.txt:3" + gone + at + "index.txt:5: error: link to http://" + down +
      "/x: RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER [link-failed]\n" + at +
      "index.txt:6: error: link to http://{host}/moved: HTTP STATUS 301, MOVED TO "
      "http://{host}/b.txt [link-failed]\n" +
      at + "a.txt:4" + gone + at + "a.txt:5" + no_terminator + at +
      "a.txt:5: error: not a record: no bar after the target: readers stop here [not-a-record]\n";
  const std::vector<Expected> runs = {
      {"the whole site",
       {"--check", "--site", "{host}/s/index.txt"},
       "",
       1,
       broken_links + at +
           "big.txt: warning: page over 64 MiB: readers get only its first 64 MiB "
           "[page-over-cap]\n" +
           at + "big.txt:3" + no_terminator + at +
           "big.txt:3: error: not a record: no bar after the label: readers stop here "
           "[not-a-record]\n" +
           at +
           "broken.txt:3: error: not a record: no number and colon start it: readers stop here: "
           "the line below is not shown [not-a-record]\n" +
           at +
           "broken.txt:4: error: link to http://{host}/s/never.txt: HTTP STATUS 404 "
           "[link-failed]\n" +
           at + "c.txt:1" + gone + at + "c.txt:2" + gone + at +
           "c.txt:3: warning: record 1 again: it replaces the one on line 2 [repeated-record]\n" +
           at +
           "c.txt:4: warning: https link target: it is loaded over plain http [https-target]\n" +
           at +
           "c.txt:4: error: link to http://{host}/s/page.html: NOT A PAGE (NO RECORD IN IT) "
           "[link-not-a-page]\n"
           "11 errors and 5 warnings in 5 pages, linking to 11 addresses\n",
       ""},
      {"three pages at most: an address that fails takes no place, and the site's addresses "
       "beyond them are not retrieved",
       {"--check", "--site", "--max-pages", "3", "http://{host}/s/index.txt"},
       "",
       1,
       broken_links + at +
           "big.txt: warning: page over 64 MiB: readers get only its first 64 MiB "
           "[page-over-cap]\n" +
           at + "big.txt:3" + no_terminator + at +
           "big.txt:3: error: not a record: no bar after the label: readers stop here "
           "[not-a-record]\n"
           "6 errors and 3 warnings in 3 pages, linking to 9 addresses, 2 pages not checked "
           "(--max-pages 3)\n",
       ""},
      {"one problem a page at most: the rest counted",
       {"--check", "--site", "--max-problems", "1", "{host}/s/index.txt"},
       "",
       1,
       at + "index.txt:3" + gone + at + "index.txt: note: 2 more problems not shown" + one + at +
           "a.txt:4" + gone + at + "a.txt: note: 2 more problems not shown" + one + at +
           "big.txt: warning: page over 64 MiB: readers get only its first 64 MiB "
           "[page-over-cap]\n" +
           at + "big.txt: note: 2 more problems not shown" + one + at +
           "broken.txt:3: error: not a record: no number and colon start it: readers stop here: "
           "the line below is not shown [not-a-record]\n" +
           at + "broken.txt: note: 1 more problem not shown" + one + at + "c.txt:1" + gone + at +
           "c.txt: note: 4 more problems not shown" + one +
           "11 errors and 5 warnings in 5 pages, linking to 11 addresses\n",
       ""},
      {"a start past the cap is checked as far as the cap",
       {"--check", "--site", "--max-depth", "0", "{host}/s/big.txt"},
       "",
       1,
       at +
           "big.txt: warning: page over 64 MiB: readers get only its first 64 MiB "
           "[page-over-cap]\n" +
           at + "big.txt:3" + no_terminator + at +
           "big.txt:3: error: not a record: no bar after the label: readers stop here "
           "[not-a-record]\n"
           "1 error and 2 warnings in 1 page, linking to 1 address, 1 page not checked "
           "(--max-depth 0)\n",
       ""},
      {"a start that redirects on its own site is followed",
       {"--check", "--site", "{host}/moved"},
       "",
       0,
       "http://{host}/a.txt:1: warning: label holds a control character [control-character]\n"
       "0 errors and 1 warning in 2 pages from http://{host}/b.txt, linking to 2 addresses\n",
       ""},
      {"a start that is no page fails",
       {"--check", "--site", "{host}/s/page.html"},
       "",
       1,
       at + "page.html:1: error: no record on the page: readers see an empty page [no-record]\n"
            "1 error and 0 warnings in 1 page, linking to 0 addresses\n",
       ""},
      {"a start that breaks on its way is checked as far as it came",
       {"--check", "--site", "{host}/short.txt"},
       "",
       1,
       "http://{host}/short.txt: error: the page broke off on its way (RETRIEVAL FAILED: "
       "TRANSFERRED A PARTIAL FILE): it is checked as far as it came [page-broke-off]\n"
       "http://{host}/short.txt:2: warning: no terminator record: readers see as many rows as the "
       "page they came from had [no-terminator]\n1 error and 1 warning in 1 page, linking to 0 "
       "addresses\n",
       ""},
  };
  expect_runs(runs);
  expect_runs({runs.front()});
  // Four runs over the whole site, and one that stops at --max-pages 3.
  const std::vector<std::string> asked = server.requests();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/s/never.txt"), 3) << "a link below a break";
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/s/gone.txt"), 4) << "retrieved twice in a run";
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/s/broken.txt"), 3) << "beyond --max-pages";
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/s/a.txt"), 4) << "a spelling retrieved";
  EXPECT_EQ(off_site.requests(), std::vector<std::string>(4, "/p.txt")) << "off the site";
}

// A site checked from the folder it is written in, with no network: pages
// named by their files, a missing file, a FIFO and a link out of the folder
// each an error, never read; a calendar that goes on for ever left out; the
// network's addresses counted. Twice, the same.
TEST_F(PageToolsTest, CheckSiteFromItsFolder) {
  const std::string site = test_home() + "/site";
  const std::string at = "http://127.0.0.1:9/docs/";
  for (const char* folder : {"/site", "/site/calendar"})
    mkdir((test_home() + folder).c_str(), 0700);
  std::ofstream(site + "/index.txt")
      << "0:Home||-\n1:A|" + at +
             "a.txt|-\n2:Missing|127.0.0.1:9/docs/"
             "missing.txt|-\n3:Bad|" +
             at + "bad%20page.txt|-\n4:Pipe|" + at + "fifo|-\n5:Out|" + at + "out.txt|-\n6:Day|" +
             at +
             "calendar/1.txt|-\n7:Up|http://127.0.0.1:9/other/x.txt|-\n"
             "8:Twin|http://127.0.0.1:8/docs/a.txt|-\n9:Far|http://127.0.0.1:8/x.txt|\\\n";
  std::ofstream(site + "/a.txt") << "0:A||-\n1:Home|HTTP://127.0.0.1:9/docs/./index.txt|-\n"
                                    "2:Same file|" +
                                        at + "index.txt?q=1|\\\n";
  std::ofstream(site + "/bad page.txt") << "0:Bad||-\nnot a record\n";
  std::ofstream(site + "/calendar/1.txt") << "0:Day 1||-\n1:Next|" + at + "calendar/2.txt|\\\n";
  std::ofstream(test_home() + "/outside.txt") << "0:Outside||\\\n";
  mkfifo((site + "/fifo").c_str(), 0600);
  ASSERT_EQ(symlink("../outside.txt", (site + "/out.txt").c_str()), 0);
  const std::vector<std::string> options = {"--check",   "--site",    "--root",    site,
                                            "--offline", "--exclude", "/calendar/"};
  const auto with = [&options, &at](std::vector<std::string> more) {
    std::vector<std::string> args = options;
    args.insert(args.end(), more.begin(), more.end());
    args.push_back(at + "index.txt");
    return args;
  };
  const std::string index = site + "/index.txt:";
  const std::string link_errors =
      index + "3: error: link to " + at + "missing.txt: no file " + site +
      "/missing.txt [link-failed]\n" + index + "5: error: link to " + at +
      "fifo: not a file: " + site + "/fifo [link-failed]\n" + index + "6: error: link to " + at +
      "out.txt: leads out of " + site + ": " + site + "/out.txt [link-failed]\n";
  const std::string left =
      ", 3 links to other sites not checked (--offline), 1 address excluded "
      "(--exclude)\n";
  const std::vector<Expected> runs = {
      {"the whole site", with({}), "", 1,
       link_errors + site +
           "/bad page.txt:2: warning: no terminator record: readers see as many rows as the page "
           "they came from had [no-terminator]\n" +
           site +
           "/bad page.txt:2: error: not a record: no number and colon start it: readers stop "
           "here [not-a-record]\n"
           "4 errors and 1 warning in 3 pages, linking to 10 addresses" +
           left,
       ""},
      {"--max-depth 1: every page here is one link from the start", with({"--max-depth", "1"}), "",
       1,
       link_errors + site +
           "/bad page.txt:2: warning: no terminator record: readers see as many rows as the page "
           "they came from had [no-terminator]\n" +
           site +
           "/bad page.txt:2: error: not a record: no number and colon start it: readers stop "
           "here [not-a-record]\n"
           "4 errors and 1 warning in 3 pages, linking to 10 addresses" +
           left,
       ""},
      {"--max-depth 0: the start alone read as a page, its links still checked",
       with({"--max-depth", "0"}), "", 1,
       link_errors +
           "3 errors and 0 warnings in 1 page, linking to 9 addresses, 5 pages not checked "
           "(--max-depth 0)" +
           left,
       ""},
  };
  expect_runs(runs);
  expect_runs({runs.front()});
}

// Ctrl-C stops a check held up by a server that never answers: what was
// checked is reported, and the status says the check did not end. A second
// Ctrl-C ends the run at once, even while that report cannot be written.
TEST_F(PageToolsTest, CheckSiteStopsAtCtrlC) {
  server.route("/s/hang", {"", "200 OK", Reply::Style::hang});
  server.route("/s/start.txt", {"0:Start||-\n1:Hangs|{host}/s/hang|-\n"});
  std::string many = "0:Many||-\n1:Hangs|{host}/s/hang|\\\n";
  for (int n = 0; n < 2000; ++n) many += "1:again||-\n";  // a report bigger than a pipe holds
  server.route("/s/many.txt", {many});
  std::string full = "0:Full||-\n";
  for (int n = 0; n < 2000; ++n) full += "1:again||-\n";  // no link: reported at once
  server.route("/s/full.txt", {full});
  const auto hung = [this] {
    const std::vector<std::string> asked = server.requests();
    return std::count(asked.begin(), asked.end(), "/s/hang");
  };
  const auto ask_and_wait = [&hung](const std::string& start) {
    const auto hung_before = hung();
    auto run = std::make_unique<LiveRun>(
        std::vector<std::string>{"--check", "--site", "--max-problems", "0", start},
        LiveRun::Input::pipes);
    for (int wait = 0; wait < 500; ++wait) {
      if (hung() > hung_before) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run->interrupt();
    return run;
  };
  const std::string start = "http://" + server.host() + "/s/start.txt";
  const auto stopped = ask_and_wait(start);
  EXPECT_EQ(stopped->finish(), 1);
  EXPECT_EQ(stopped->output, start +
                                 ":2: warning: no terminator record: readers see as many rows as "
                                 "the page they came from had [no-terminator]\n"
                                 "0 errors and 1 warning in 1 page, linking to 1 address; "
                                 "stopped by Ctrl-C\n");
  EXPECT_EQ(stopped->errors, "linebrowse: stopped by Ctrl-C: 1 of 2 addresses not retrieved\n");
  const auto twice = ask_and_wait("http://" + server.host() + "/s/many.txt");
  ASSERT_TRUE(twice->blocked_writing());
  twice->interrupt();
  EXPECT_EQ(twice->finish(), 128 + SIGINT);
  // Blocked in a write before any Ctrl-C was taken: the second still ends it.
  LiveRun blocked(
      {"--check", "--site", "--max-problems", "0", "http://" + server.host() + "/s/full.txt"},
      LiveRun::Input::pipes);
  ASSERT_TRUE(blocked.blocked_writing());
  blocked.interrupt();
  ASSERT_TRUE(blocked.signals_delivered());
  blocked.interrupt();
  EXPECT_EQ(blocked.finish(), 128 + SIGINT);
}

}  // namespace
