// Address normalisation and word reading: the rules every typed address and
// followed link goes through.
#include "web/web.h"

#include <gtest/gtest.h>

#include <sstream>

#include "console/console.h"
#include "console/visible_text.h"

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

// An address offered at the prompt from the network is one word, shown as
// it is sent.
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

TEST(PromptUrl, ReadsOneWordAndLeavesTheRest) {
  std::istringstream in("  \t server/a  https://b\n\n");
  std::ostringstream out;
  EXPECT_EQ(prompt_url(in, out).word, "http://server/a");
  EXPECT_EQ(prompt_url(in, out).word, "http://b");
  EXPECT_EQ(prompt_url(in, out).word, "http://");
  EXPECT_EQ(out.str(), "Enter URL: Enter URL: HTTPS NOT SUPPORTED\nEnter URL: ");
}

// Which bytes pass as they are through a pipe, to a UTF-8 terminal and to
// an 8-bit one; everything else is shown as cat -v shows it.
TEST(VisibleText, FollowsTheRuleOfEachOutput) {
  struct Case {
    std::string text, piped, utf8, eight_bit;
  };
  const Case cases[] = {
      {"a\tb", "a\tb", "a\tb", "a\tb"},
      {"\x1b[2J\x7f\r", "^[[2J^?^M", "^[[2J^?^M", "^[[2J^?^M"},
      {std::string(1, '\0'), "^@", "^@", "^@"},
      {"\x80\x9b\x9f", "M-^@M-^[M-^_", "M-^@M-^[M-^_", "M-^@M-^[M-^_"},
      {"\xa0\xe9\xff", "\xa0\xe9\xff", "M- M-iM-^?", "\xa0\xe9\xff"},
      {"\xc2\x85\xc2\x9f", "M-BM-^EM-BM-^_", "M-BM-^EM-BM-^_", "\xc2M-^E\xc2M-^_"},
      {"\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9"},
      {"\xe2\x80\x9d\xf0\x9f\x98\x80", "\xe2\x80\x9d\xf0\x9f\x98\x80",
       "\xe2\x80\x9d\xf0\x9f\x98\x80", "\xe2M-^@M-^]\xf0M-^_M-^XM-^@"},
      {"\xe2\x82 \xed\xa0\x80", "\xe2M-^B \xed\xa0M-^@", "M-bM-^B M-mM- M-^@",
       "\xe2M-^B \xed\xa0M-^@"},
  };
  for (const Case& c : cases) {
    for (const auto& [rule, shown] :
         {std::pair{TextRule::piped, c.piped}, std::pair{TextRule::utf8, c.utf8},
          std::pair{TextRule::eight_bit, c.eight_bit}}) {
      std::string out;
      append_visible(out, c.text, rule);
      EXPECT_EQ(out, shown) << testing::PrintToString(c.text) << " under rule "
                            << static_cast<int>(rule);
    }
  }
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
