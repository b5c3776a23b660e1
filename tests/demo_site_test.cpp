// The bundled demo site, served from its files: each page shows what the
// front page promises, and every page leads back home.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

std::string site_file(const std::string& name, const std::string& host) {
  std::ifstream file(std::string(LINEBROWSE_SOURCE_DIR) + "/examples/site/" + name);
  std::stringstream text;
  text << file.rdbuf();
  return replace_all(text.str(), "127.0.0.1:8417", host);  // the port scripts/demo serves on
}

int occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(DemoSite, EveryPageShowsWhatItPromisesAndLeadsHome) {
  LoopbackServer server;
  for (const char* name :
       {"index.txt", "about.txt", "list.txt", "secure.txt", "open-ended.txt", "broken.txt"})
    server.route(std::string("/") + name, {site_file(name, server.host())});

  struct Visit {
    std::string row, page, shows;
    std::string home_row;
  };
  const Visit visits[] = {
      {"1", "about.txt", "TITLE: About this demo\n", "5"},
      {"2", "list.txt", "01: List item 1 \n", "12"},
      {"3", "secure.txt", "HTTPS NOT SUPPORTED\nCONNECTING TO", "3"},
      {"5", "open-ended.txt", "6:  \n", "1"},
      {"6", "broken.txt", "ERROR DECODING PAGE\n", "1"},
  };
  const std::string front = "http://" + server.host() + "/index.txt";
  for (const Visit& v : visits) {
    ProgramRun run = run_browser({front}, v.row + " " + v.home_row + " x\n");
    EXPECT_EQ(run.err, "") << v.page;
    EXPECT_NE(run.out.find(v.shows), std::string::npos) << v.page << "\n" << run.out;
    EXPECT_EQ(occurrences(run.out, "CONNECTING TO " + front), 2)
        << v.page << ": row " << v.home_row << " does not lead home";
    EXPECT_EQ(occurrences(run.out, "ERROR DECODING PAGE"), v.page == "broken.txt" ? 1 : 0)
        << v.page;
    EXPECT_TRUE(run.out.ends_with("EXITING\n")) << v.page;
  }
}

}  // namespace
