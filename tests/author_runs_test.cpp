// The check as an author's CI runs it, with the real binary against loopback
// servers: a SARIF log code scanning accepts, a step summary past the cap on
// annotations, one configuration file, busy hosts asked politely, a cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// What a command prints, and its status.
std::pair<std::string, int> output_of(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
  char piece[4096];
  while (pipe && fgets(piece, sizeof piece, pipe.get()) != nullptr) out += piece;
  const int status = pipe ? pclose(pipe.release()) : -1;
  return {out, status};
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A site where every kind of problem is found: its start broke off on the
// way, and each page holds some kinds.
void serve_every_problem(LoopbackServer& server) {
  server.route(
      "/s/index.txt",
      {"\xef\xbb\xbf"
       "0:Home||-\n1:A|{host}/s/a.txt|-\n2:B|{host}/s/b.txt|-\n3:C|{host}/s/c.txt|-\n"
       "4:Gone|{host}/s/gone.txt|-\n5:Html|{host}/s/page.html|-\n6:Big|{host}/s/big.txt|-\n"
       "7:Https|https://{host}/s/a.txt|-\n8:Mail|mailto:x@y|-\n9:Partial|page.txt|-\n"
       "10:Space|a b|-\n11:Ctl\x01|{host}/s/a.txt|-\n12:\xff|{host}/s/a.txt|-\n"
       "xx 13:Before||-\n14:After||- tail\n",
       "200 OK", Reply::Style::cut_short});
  server.route("/s/a.txt", {"1:x||\\\r\n1:y||-\n9:z||-\n5:t||\\\n"});
  server.route("/s/b.txt", {"0:B||-\n1:b||-\n\nxyz\n99999999999:x||-\n"});
  server.route("/s/c.txt", {"0:C||-\n1:a||-\n5000:end||\\\n"});
  server.route("/s/page.html", {"<html>\n"});
  server.route("/s/big.txt", {"0:Big||-\n1:" + std::string(64 << 20, 'b') + "|\\\n"});
}

// Every kind of problem, in a SARIF log of a site and one of an empty page:
// valid against the schema where it is at hand, each result at its rule's
// level and place, and the same bytes from the same input.
TEST(AuthorRuns, SarifLogsHoldEveryKindOfProblem) {
  LoopbackServer server;
  serve_every_problem(server);
  const std::vector<std::string> site_check = {"--check",
                                               "--site",
                                               "--format",
                                               "sarif",
                                               "--exclude",
                                               "^http://page\\.txt/",
                                               "http://" + server.host() + "/s/index.txt"};
  const ProgramRun site = run_browser(site_check, "");
  EXPECT_EQ(site.status, 1) << site.err;
  EXPECT_EQ(run_browser(site_check, "").out, site.out) << "the same input, the same bytes";
  std::string many = "0:T||-\n";  // 101 problems: a SARIF log holds them all
  for (int line = 2; line <= 102; ++line) many += "1:x||-\n";
  const std::string log = run_browser({"--check", "--format", "sarif", "-"}, many).out;
  std::size_t all = 0;
  for (auto at = log.find("\"ruleId\""); at != std::string::npos;
       at = log.find("\"ruleId\"", at + 1))
    ++all;
  EXPECT_EQ(all, 101U);
  const ProgramRun empty = run_browser(
      {"--check", "--format", "sarif", "--stdin-name", "pages/empty page.txt", "-"}, "");
  const std::string folder = test_home();
  std::ofstream(folder + "/site.sarif") << site.out;
  std::ofstream(folder + "/empty.sarif") << empty.out;
  const auto [results, status] = output_of("python3 " LINEBROWSE_SOURCE_DIR
                                           "/tests/support/sarif_results.py " LINEBROWSE_SOURCE_DIR
                                           "/../shared/sarif-schema-2.1.0.json " +
                                           folder + "/site.sarif " + folder + "/empty.sarif");
  ASSERT_EQ(status, 0) << results;
  const std::vector<std::string> lines = lines_of(results);
  if (lines.front() != "validated") std::cerr << "no SARIF schema here: fields checked only\n";
  const std::string at = "http://" + server.host() + "/s/";
  std::set<std::string> codes;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    codes.insert(lines[i].substr(0, lines[i].find(' ')));
    EXPECT_EQ(lines[i].find("differs"), std::string::npos) << lines[i];
    EXPECT_EQ(lines[i].find("ruleIndex names"), std::string::npos) << lines[i];
  }
  const std::vector<std::string> listed = lines_of(run_browser({"--list-codes"}, "").out);
  EXPECT_EQ(listed.size(), 24U);
  for (const std::string& line : listed)
    EXPECT_TRUE(codes.contains(line.substr(0, line.find(' ')))) << line;
  const std::vector<std::string> expected = {
      "page-broke-off error " + at + "index.txt -",
      "byte-order-mark warning " + at + "index.txt 1",
      "crlf warning " + at + "a.txt 1",
      "page-over-cap warning " + at + "big.txt -",
      "number-too-large error " + at + "b.txt 5",
      "no-record error pages/empty%20page.txt 1",
  };
  for (const std::string& line : expected)
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n" << results;
}

// Past GitHub's cap on annotations: the counts and 500 rows in the step
// summary, then how many more; a row whose page text holds table and markup
// characters stays one row of three cells.
TEST(AuthorRuns, StepSummaryHoldsWhatAnnotationsCannot) {
  std::string page = "0:T||-\n1:x||- |<script>](x) `c` *b* www.x.io http://e/\n";
  for (int line = 3; line <= 600; ++line) page += "1:x||-\n";
  page += "2:end||\\\n3:over||-\n";  // 600 problems in all
  const std::string summary = test_home() + "/summary.md";
  std::ofstream(summary) << "# Earlier step\n";
  Limits github;
  github.environment = {{"GITHUB_STEP_SUMMARY", summary}};
  const ProgramRun run = run_browser(
      {"--check", "--format", "github", "--max-problems", "0", "--stdin-name", "p.txt", "-"}, page,
      120, github);
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> lines = lines_of(read_file(summary));
  ASSERT_GT(lines.size(), 4U);
  EXPECT_EQ(lines[0], "# Earlier step") << "the summary is added to, never replaced";
  EXPECT_EQ(lines[3], "0 errors and 600 warnings in 1 page");
  std::size_t rows = 0;
  for (const std::string& line : lines) {
    if (!line.starts_with("| ") || line.starts_with("| Where")) continue;
    ++rows;
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 4) << line;
    EXPECT_EQ(line.find_first_of("<>[]()`*"), std::string::npos) << line;
    EXPECT_EQ(line.find("www."), std::string::npos) << line;
    EXPECT_EQ(line.find("://"), std::string::npos) << line;
  }
  EXPECT_EQ(rows, 500U);
  EXPECT_EQ(lines[lines.size() - 2], "100 more");
  EXPECT_EQ(run_browser({"--check", "--format", "text", "-"}, page, 120, github).status, 0);
  EXPECT_EQ(lines_of(read_file(summary)).size(), lines.size()) << "only annotations add one";
}

// linebrowse.toml gives the report the same options on the command line give;
// the command line wins; a wrong file is a usage error at its line.
TEST(AuthorRuns, OneConfigurationFileServesEveryRun) {
  LoopbackServer server;
  server.route("/s/index.txt", {"0:Home||-\n1:A|{host}/s/a.txt|-\n2:Gone|{host}/s/gone.txt|-\n"
                                "3:Https|https://{host}/s/a.txt|-\n"});
  server.route("/s/a.txt", {"0:A||-\n1:Deep|{host}/s/deep.txt|-\n2:x||-\n2:y||\\\n"});
  server.route("/s/deep.txt", {"0:Deep||-\n"});
  const std::string start = "http://" + server.host() + "/s/index.txt";
  const std::string folder = test_home() + "/config";
  std::filesystem::create_directories(folder);
  struct Row {
    const char* what;
    std::string toml;
    std::vector<std::string> same_as;    // options on the command line
    std::string absent;                  // from the report, as the options ask
    std::vector<std::string> also = {};  // given beside the file
  };
  const Row rows[] = {
      {"codes ignored, a format",
       "ignore = [\"no-terminator\", \"link-failed\"]\nformat = \"json\"\n",
       {"--ignore", "no-terminator", "--ignore", "link-failed", "--format", "json"},
       "link-failed"},
      {"a crawl's limits and a report's",
       "max-depth = 1\nexclude = [\"gone\"]\nmax-problems = 1\nstrict = true\nretries = 0\n"
       "ignore = \"https-target\"\n",
       {"--max-depth", "1", "--exclude", "gone", "--max-problems", "1", "--strict", "--retries",
        "0", "--ignore", "https-target"},
       "not shown"},  // an ignored kind takes no place among a page's first problems
      {"the command line wins, a list replacing the file's",
       "format = \"json\"\nignore = [\"https-target\"]\n",
       {"--ignore", "no-terminator"},
       "no-terminator",
       {"--format", "text", "--ignore", "no-terminator"}},
  };
  for (const Row& row : rows) {
    std::ofstream(folder + "/linebrowse.toml") << row.toml;
    std::vector<std::string> by_file = {"--check", "--site"};
    by_file.insert(by_file.end(), row.also.begin(), row.also.end());
    by_file.push_back(start);
    std::vector<std::string> by_options = {"--check", "--site", "--config", "/dev/null"};
    by_options.insert(by_options.end(), row.same_as.begin(), row.same_as.end());
    by_options.push_back(start);
    Limits here;
    here.folder = folder;
    const ProgramRun from_file = run_browser(by_file, "", 120, here);
    const ProgramRun from_options = run_browser(by_options, "", 120, here);
    EXPECT_EQ(from_file.out, from_options.out) << row.what;
    EXPECT_EQ(from_file.err, from_options.err) << row.what;
    EXPECT_EQ(from_file.status, from_options.status) << row.what;
    EXPECT_EQ(from_file.out.find(row.absent), std::string::npos) << row.what << from_file.out;
    EXPECT_NE(from_file.out,
              run_browser({"--check", "--site", "--config", "/dev/null", start}, "", 120, here).out)
        << row.what << ": the file counted";
  }
  const std::string wrong = folder + "/wrong.toml";
  const struct {
    std::string toml;
    std::string said;
  } faults[] = {
      {"format = \"json\"\ncolour = true\n", ":2: colour: no such key"},
      {"retries = \"3\"\n", ":1: retries: takes a whole number"},
      {"max-depth = -1\n", ":1: max-depth: --max-depth needs a number of links, 0 or more"},
      {"\n\nignore = [\"nothing-of-the-kind\"]\n",
       ":3: ignore: --ignore: nothing-of-the-kind is no problem code (--list-codes lists them)"},
      {"root = \"x\"\nformat = [\n", ":2: "},
  };
  for (const auto& fault : faults) {
    std::ofstream(wrong) << fault.toml;
    const ProgramRun run = run_browser({"--check", "--config", wrong, "-"}, "0:T||\\\n");
    EXPECT_EQ(run.status, 2) << fault.toml;
    EXPECT_TRUE(run.err.starts_with("linebrowse: " + wrong + fault.said)) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

// A server that takes two requests at once and turns the rest away with 429:
// two at once for its host get every link checked without a 429; more get
// them too, tried again as Retry-After asks; a wait too long fails at once.
TEST(AuthorRuns, BusyHostsAreAskedPolitely) {
  struct Row {
    const char* what;
    std::vector<std::string> options;
    std::string retry_after;
    int status;
    bool turned_away;
    std::string said;  // in the report
  };
  const Row rows[] = {
      {"two at once, as the host allows", {}, "1", 0, false, ""},
      {"four at once: tried again after a second", {"--host-concurrency", "4"}, "1", 0, true, ""},
      {"not tried again",
       {"--host-concurrency", "4", "--retries", "0"},
       "1",
       1,
       true,
       ": HTTP STATUS 429 [link-failed]\n"},
      {"a wait too long",
       {"--host-concurrency", "4"},
       "3600",
       1,
       true,
       ": HTTP STATUS 429, RETRY AFTER 3600 S [link-failed]\n"},
  };
  for (const Row& row : rows) {
    LoopbackServer busy;
    busy.serve_busy(2, row.retry_after);
    std::string page = "0:Links||-\n";
    for (int n = 1; n <= 6; ++n) {
      busy.route("/" + std::to_string(n) + ".txt", {"0:P||\\\n"});
      page += std::to_string(n) + ":L|" + busy.host() + "/" + std::to_string(n) + ".txt|-\n";
    }
    std::vector<std::string> args = {"--check", "--links"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    args.push_back("-");
    const ProgramRun run = run_browser(args, page + "7:End||\\\n");
    EXPECT_EQ(run.status, row.status) << row.what << "\n" << run.out << run.err;
    EXPECT_LE(busy.most_at_once(), 2) << row.what;
    EXPECT_EQ(busy.turned_away() > 0, row.turned_away) << row.what;
    if (row.said.empty())
      EXPECT_EQ(run.out, "") << row.what;
    else
      EXPECT_NE(run.out.find(row.said), std::string::npos) << row.what << "\n" << run.out;
    EXPECT_LT(run.cpu_seconds, 0.5) << row.what << ": waiting is no work";
  }
}

// With --cache, a second run asks nothing of 2,000 links to another site; a
// damaged cache is set aside and every link asked again.
TEST(AuthorRuns, AWarmCacheSparesOtherSites) {
  LoopbackServer site;
  LoopbackServer other;
  other.keep_alive();
  std::string index = "0:Links||-\n";
  for (int n = 1; n <= 2000; ++n) {
    other.route("/" + std::to_string(n) + ".txt", {"0:P||\\\n"});
    index += std::to_string(n) + ":L|" + other.host() + "/" + std::to_string(n) + ".txt|-\n";
  }
  site.route("/index.txt", {index + "2001:End||\\\n"});
  const std::string cache = test_home() + "/ci/links.cache";
  const std::vector<std::string> check = {"--check", "--site", "--cache", cache,
                                          "http://" + site.host() + "/index.txt"};
  const ProgramRun cold = run_browser(check, "");
  EXPECT_EQ(cold.status, 0) << cold.out << cold.err;
  EXPECT_EQ(other.requests().size(), 2000U);
  const ProgramRun warm = run_browser(check, "");
  EXPECT_EQ(warm.status, 0);
  EXPECT_EQ(other.requests().size(), 2000U) << "no request to the other site";
  EXPECT_EQ(warm.out,
            "0 errors and 0 warnings in 1 page, linking to 2000 addresses, 2000 link verdicts "
            "from the cache (--cache)\n");
  // A verdict taken from the cache keeps its age: it is not checked again.
  const std::string in_1970 =
      std::regex_replace(read_file(cache), std::regex("\"checked\": [0-9]+"), "\"checked\": 1");
  std::ofstream(cache) << in_1970;
  std::vector<std::string> ages_ago = check;
  ages_ago.insert(ages_ago.begin() + 1, {"--cache-age", "5000w"});
  EXPECT_EQ(run_browser(ages_ago, "").out, warm.out);
  EXPECT_EQ(read_file(cache), in_1970);

  std::ofstream(cache) << "{\"linebrowse-link-cache\":1,\"links\":[{\"addr";
  const ProgramRun damaged = run_browser(check, "");
  EXPECT_EQ(damaged.status, 0);
  EXPECT_EQ(damaged.err, "linebrowse: " + cache + ": not a cache of link verdicts, set aside as " +
                             cache + ".damaged: every link is retrieved again\n");
  EXPECT_EQ(other.requests().size(), 4000U);
  EXPECT_EQ(read_file(cache + ".damaged"), "{\"linebrowse-link-cache\":1,\"links\":[{\"addr");
  EXPECT_EQ(run_browser({"--check", "--site", "--cache-age", "1y", "http://x/"}, "").err,
            "linebrowse: --cache-age needs a time such as 90s, 30m, 12h, 1d or 2w\n"
            "Try 'linebrowse --help'.\n");
}

}  // namespace
