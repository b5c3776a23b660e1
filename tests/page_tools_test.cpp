// The runs for scripts and authors, with the real binary against loopback
// servers: --dump's output and exit status, and --check's report lines.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>

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
    server.route("/moved",
                 {"", "301 Moved Permanently", Reply::Style::whole, "Location: /b.txt\r\n"});
  }

  void expect_runs(const std::vector<Expected>& runs) {
    for (const Expected& e : runs) {
      std::vector<std::string> args;
      for (const auto& arg : e.args) args.push_back(with_host(arg, server.host()));
      const ProgramRun run = run_browser(args, e.input);
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
  expect_runs({
      {"a whole page: title and rows as the dialogue shows them, input never read",
       {"--dump", "http://{host}/a.txt"},
       "x\n",
       0,
       "TITLE: Page A ^[[2J\n1: One *\n2:  \n3: Three \n",
       ""},
      {"a page without a terminator shows no rows, as at start-up",
       {"--dump", "http://{host}/open.txt"},
       "",
       0,
       "TITLE: Open\n",
       ""},
      {"a status outside 2xx: the rows that came, and the status",
       {"--dump", "http://{host}/gone.txt"},
       "",
       1,
       "TITLE: Gone\n1: Still here \n",
       failed + "gone.txt: HTTP STATUS 404\n"},
      {"a 404 page in HTML",
       {"--dump", "http://{host}/html404"},
       "",
       1,
       "TITLE: \n",
       failed + "html404: HTTP STATUS 404\n" + failed + "html404: ERROR DECODING PAGE AT LINE 1\n"},
      {"a redirect is not followed",
       {"--dump", "http://{host}/moved"},
       "",
       1,
       "TITLE: \n",
       failed + "moved: HTTP STATUS 301, MOVED TO http://{host}/b.txt\n"},
      {"a page that breaks: the records before the line",
       {"--dump", "http://{host}/broken.txt"},
       "",
       1,
       "TITLE: Broken\n",
       failed + "broken.txt: ERROR DECODING PAGE AT LINE 3\n"},
      {"a transfer cut short",
       {"--dump", "http://{host}/short.txt"},
       "",
       1,
       "TITLE: Short\n",
       failed + "short.txt: RETRIEVAL FAILED: TRANSFERRED A PARTIAL FILE\n"},
      {"no server: nothing written",
       {"--dump", "http://" + down + "/x"},
       "",
       1,
       "",
       "linebrowse: http://" + down + "/x: RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\n"},
      {"no address", {"--dump"}, "", 2, "", "linebrowse: --dump needs an address\n" + try_help},
  });
}

// One small page for each problem, read from standard input.
TEST_F(PageToolsTest, CheckReportsEveryProblemWithItsLine) {
  const std::string ok = "0:T||-\n1:a||\\\n";  // a clean start: title and terminator
  struct Page {
    std::string body;
    std::string report;  // without the summary line
    std::string summary;
  };
  const std::string stops = ": reading stops here";
  const Page pages[] = {
      {"0:T||-\n1:a|http://h/x|\\\n", "", "0 errors, 0 warnings"},
      {ok + "hello\nx\ny\n",
       "-:3: error: no record on this line" + stops + ", and the 2 lines below are never read\n",
       "1 error, 0 warnings"},
      {ok + "\n2:b||-\n",
       "-:3: error: empty line, which holds no record" + stops +
           ", and the line below is never read\n",
       "1 error, 0 warnings"},
      {ok + ":x||-\n", "-:3: error: record without a number" + stops + "\n", "1 error, 0 warnings"},
      {ok + "99999999999:x||-\n",
       "-:3: error: record number 99999999999 is too large (the largest is 2147483647)" + stops +
           "\n",
       "1 error, 0 warnings"},
      {"0:T||-\n1:a|h/a b|\\\n",
       "-:2: error: link target holds a space: it cannot be retrieved as written\n",
       "1 error, 0 warnings"},
      {"0:T||-\n1:a|h/a\tb|\\\n",
       "-:2: error: link target holds a control character: it cannot be retrieved as written\n",
       "1 error, 0 warnings"},
      {"0:T||-\n1:a|h/a\x7f|\\\n",
       "-:2: error: link target holds a control character: it cannot be retrieved as written\n",
       "1 error, 0 warnings"},
      {std::string("0:T||-\n1:a|h/a\0b|\\\n", 19),
       "-:2: error: link target holds a NUL byte: it cannot be retrieved as written\n",
       "1 error, 0 warnings"},
      {"1:a||\\\n", "-: warning: no title record (record 0)\n", "0 errors, 1 warning"},
      {"0:T||-\n",
       "-: warning: no terminator record: readers see as many rows as the page they came from "
       "had\n",
       "0 errors, 1 warning"},
      {"0:T||\\\n1:a||\\\n",
       "-:2: warning: another terminator record (the first is on line 1): the last one read sets "
       "the last row\n",
       "0 errors, 1 warning"},
      {"0:T||-\n1:a||-\n2:b||\\\n1:c||-\n", "-:4: warning: record 1 again: it replaces line 2\n",
       "0 errors, 1 warning"},
      {ok + "5:b|h/x|-\n6:c||-\n",
       "-:3: warning: record 5 is above the last row (1): it is not shown, though its link works\n"
       "-:4: warning: record 6 is above the last row (1): it is not shown\n",
       "0 errors, 2 warnings"},
      {"0:T||-\n1:a|news.txt|\\\n",
       "-:2: warning: link target news.txt has no scheme and looks like a file name: it loads "
       "http://news.txt\n",
       "0 errors, 1 warning"},
      {"0:T||-\n1:a|https://h/x|\\\n",
       "-:2: warning: https link target: it is loaded over plain http\n", "0 errors, 1 warning"},
      {"0:T||-\n1:a\x1b[2J||\\\n", "-:2: warning: label holds a control character\n",
       "0 errors, 1 warning"},
      {"0:T||-\n1:caf\xe9|h/\xc3|\\\n",
       "-:2: warning: label is not valid UTF-8\n-:2: warning: link target is not valid UTF-8\n",
       "0 errors, 2 warnings"},
      {"0:T||-\nxx1:a||\\ tail\n",
       "-:2: warning: text before the record is ignored\n"
       "-:2: warning: text after the record is ignored\n",
       "0 errors, 2 warnings"},
      {"0:T||-\r\n1:a||\\\r\n",
       "-: warning: lines end in CR LF (2): each CR is ignored, as text after its record\n",
       "0 errors, 1 warning"},
      {"0:T||-\n1:" + std::string((64 << 20) + 10, 'a') + "||\\\n",
       "-: warning: page over 64 MiB: readers get only its first 64 MiB\n-:2: error: no record "
       "on this line" +
           stops + "\n",
       "1 error, 1 warning"},
  };
  for (const Page& page : pages) {
    const ProgramRun run = run_browser({"--check", "-"}, page.body);
    const std::string what = page.report.empty() ? "a clean page" : page.report;
    EXPECT_EQ(run.out, page.report + "-: " + page.summary + "\n") << what;
    EXPECT_EQ(run.err, "") << what;
    EXPECT_TRUE(run.exited) << what;
    EXPECT_EQ(run.status, page.summary.starts_with("0 errors") ? 0 : 1) << what;
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
      ": warning: no terminator record: readers see as many rows as the page they came from had\n";
  expect_runs({
      {"two files and -: each page its report and summary; a warning is no error",
       {"--check", clean, "-", open},
       "1:a||\\\n",
       0,
       clean +
           ": 0 errors, 0 warnings\n-: warning: no title record (record 0)\n-: 0 errors, 1 "
           "warning\n" +
           open + no_terminator + open + ": 0 errors, 1 warning\n",
       ""},
      {"a missing file is said, and the rest still checked",
       {"--check", std::string(folder) + "/missing.txt", clean},
       "",
       2,
       clean + ": 0 errors, 0 warnings\n",
       "linebrowse: " + std::string(folder) + "/missing.txt: No such file or directory\n"},
      {"a name that cannot be read outweighs a page with an error",
       {"--check", std::string(folder) + "/missing.txt", "-"},
       "0:T||-\nhello\n",
       2,
       "-:2: error: no record on this line: reading stops here\n-: 1 error, 0 warnings\n",
       "linebrowse: " + std::string(folder) + "/missing.txt: No such file or directory\n"},
      {"an address",
       {"--check", "http://{host}/broken.txt"},
       "",
       1,
       "http://{host}/broken.txt:3: error: no record on this line: reading stops here, and the "
       "line below is never read\nhttp://{host}/broken.txt: 1 error, 0 warnings\n",
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
      {"an unknown option among the names",
       {"--check", clean, "--link"},
       "",
       2,
       "",
       "linebrowse: unknown option --link\n" + try_help},
  });
  std::remove(clean.c_str());
  std::remove(open.c_str());
  rmdir(folder);
}

TEST_F(PageToolsTest, CheckLinksRetrievesEveryTarget) {
  server.route("/links.txt", {"0:Links|{host}/a.txt|-\n1:Good|http://{host}/b.txt|-\n"
                              "2:Dead|http://" +
                              down +
                              "/x|-\n3:Gone|{host}/gone.txt|-\n"
                              "4:Not a page|{host}/html404|-\n5:Good again|{host}/b.txt|-\n"
                              "6:Gone again|{host}/gone.txt|\\\n"});
  const std::string name = "http://{host}/links.txt";
  expect_runs({{"good, dead, 404 and not a page; each target retrieved once",
                {"--check", "--links", name},
                "",
                1,
                name + ":3: error: link to http://" + down +
                    "/x: RETRIEVAL FAILED: COULDN'T CONNECT TO SERVER\n" + name +
                    ":4: error: link to http://{host}/gone.txt: HTTP STATUS 404\n" + name +
                    ":5: error: link to http://{host}/html404: HTTP STATUS 404\n" + name +
                    ":7: error: link to http://{host}/gone.txt: HTTP STATUS 404\n" + name +
                    ": 4 errors, 0 warnings\n",
                ""}});
  server.route("/nonpage.txt", {"<html>\n"});
  // A page far over the cut at which a check stops reading a target is fine.
  server.route("/big.txt", {"0:Big||-\n" + std::string(3 << 20, 'b') + "\n"});
  server.route("/links2.txt",
               {"0:T||-\n1:Not a page|{host}/nonpage.txt|-\n2:Big|{host}/big.txt|\\\n"});
  expect_runs({{"a 2xx body whose first line holds no record; a big page is fine",
                {"--check", "--links", "http://{host}/links2.txt"},
                "",
                1,
                "http://{host}/links2.txt:2: error: link to http://{host}/nonpage.txt: not a page: "
                "its first line holds no record\nhttp://{host}/links2.txt: 1 error, 0 warnings\n",
                ""}});
  const std::vector<std::string> asked = server.requests();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "/gone.txt"), 1) << "a target retrieved twice";
}

// Sixteen servers that each take a second to answer: side by side, eight at a
// time, the check takes two seconds, not sixteen.
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
  EXPECT_EQ(run.out, "-: 0 errors, 0 warnings\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_LT(took, std::chrono::seconds(4));
}

}  // namespace
