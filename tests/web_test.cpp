// Address normalisation and word reading: the rules every typed address and
// followed link goes through.
#include "web/web.h"

#include <gtest/gtest.h>

#include <sstream>

#include "console/console.h"

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
    std::ostringstream out;
    EXPECT_EQ(normalize_url(c.typed, out), c.address) << c.typed;
    EXPECT_EQ(out.str(), c.notice) << c.typed;
  }
}

TEST(PromptUrl, ReadsOneWordAndLeavesTheRest) {
  std::istringstream in("  \t server/a  https://b\n\n");
  std::ostringstream out;
  EXPECT_EQ(prompt_url(in, out).word, "http://server/a");
  EXPECT_EQ(prompt_url(in, out).word, "http://b");
  EXPECT_EQ(prompt_url(in, out).word, "http://");
  EXPECT_EQ(out.str(), "Enter URL: Enter URL: HTTPS NOT SUPPORTED\nEnter URL: ");
}

TEST(ReadWord, IsEmptyAtEndOfInput) {
  std::istringstream in("one two\r\nthree");
  EXPECT_EQ(read_word(in), "one");
  EXPECT_EQ(read_word(in), "two");
  EXPECT_EQ(read_word(in), "three");
  EXPECT_EQ(read_word(in), "");
  EXPECT_EQ(read_word(in), "");
}

}  // namespace
