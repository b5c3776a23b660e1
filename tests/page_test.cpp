// The page model: how bodies split into lines, how lines become records, and
// the exact rows a page shows.
#include "page/page.h"

#include <gtest/gtest.h>

#include <charconv>
#include <limits>
#include <map>
#include <random>
#include <sstream>

#include "view/view.h"

namespace {

// The leading digits of `text` as from_chars reads them into 64 bits, within
// the signed 32-bit range: what record_number must give.
std::optional<std::int32_t> expected_number(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + digits, value);
  if (digits == 0 || error != std::errc() || value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// Page numbers and typed numbers go through this one conversion.
TEST(RecordNumber, TakesLeadingDigitsWithinTheSignedRange) {
  using Number = std::optional<std::int32_t>;
  struct Case {
    std::string text;
    Number number;
  };
  const Case cases[] = {
      {"", std::nullopt},
      {"0", 0},
      {"007", 7},
      {"12abc", 12},
      {"12:4567x", 12},
      {"2147483647", 2147483647},
      {"2147483648", std::nullopt},
      {"4294967296", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"-1", std::nullopt},
      {"+1", std::nullopt},
      {" 1", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(record_number(c.text), c.number) << c.text;

  // Leading digits of every length from 0 to 12, then any kind of byte.
  std::mt19937 random(18);
  std::uniform_int_distribution<int> digit('0', '9');
  const std::string followers[] = {
      "", ":", ":4567x", "/", "a", "\xb5", " ", std::string(1, '\0'), "|x|-"};
  for (std::size_t length = 0; length <= 12; ++length) {
    for (int draw = 0; draw < 200; ++draw) {
      std::string digits(length, '0');
      for (char& c : digits) c = static_cast<char>(digit(random));
      for (const std::string& after : followers) {
        // Exactly the text's bytes, so that the sanitizer sees a read past them.
        const std::string text = digits + after;
        const std::vector<char> bytes(text.begin(), text.end());
        ASSERT_EQ(record_number({bytes.data(), bytes.size()}), expected_number(text)) << text;
      }
    }
  }
}

// Loads a body the way a page load does, starting from a given last_line.
std::string show(PageModel& page, const std::string& body, std::int32_t last_line = 0) {
  page.last_line = last_line;
  std::ostringstream out;
  std::istringstream in;
  Console piped({}, in, out, out);
  split_lines(page, body);
  if (parse_page(page).line != 0) out << "ERROR DECODING PAGE\n";  // as the page load says it
  display_page(page, RowsShown::up_to_last_line, piped);
  return out.str();
}

// Rows enough to fill the display's buffer several times over, every third
// with a link and some with a label that needs the console's notation.
constexpr int many_rows = 9999;

std::string many_rows_page() {
  std::string body;
  for (int n = 1; n <= many_rows; ++n)
    body += std::to_string(n) + ":Item " + std::to_string(n) + (n % 7 ? "" : "\x1b") + "|" +
            (n % 3 ? "" : "t") + "|" + (n == many_rows ? "\\" : "-") + "\n";
  return body;
}

std::string many_rows_shown() {
  std::string shown = "TITLE: \n";
  for (int n = 1; n <= many_rows; ++n) {
    std::string number = std::to_string(n);
    shown += std::string(4 - number.size(), '0') + number + ": Item " + number +
             (n % 7 ? "" : "^[") + (n % 3 ? " \n" : " *\n");
  }
  return shown;
}

TEST(ShowPage, PrintsTheTitleAndRowsOneToLastLine) {
  using Links = std::vector<std::pair<std::int32_t, std::string>>;
  struct Case {
    const char* what;
    std::string body;
    std::int32_t last_line_before;
    std::string shown;
    Links links = {};  // link_target answers after the load
  };
  const Case cases[] = {
      {"example page",
       "0:Front page||-\n1:News|server/news.txt|-\n2:Plain text||-\n"
       "3:About|server/about.txt|\\\n",
       0, "TITLE: Front page\n1: News *\n2: Plain text \n3: About *\n"},
      {"crlf lines", "0:T||-\r\n1:A|t|\\\r\n", 0, "TITLE: T\n1: A *\n"},
      {"a last line without a line feed", "0:T||-\n1:A||\\", 0, "TITLE: T\n1: A \n"},
      {"a line feed alone is one empty line", "\n", 1, "ERROR DECODING PAGE\nTITLE: \n1:  \n"},
      {"empty body keeps last_line", "", 2, "TITLE: \n1:  \n2:  \n"},
      {"no terminator uses the previous last_line", "0:T||-\n2:B||-\n5:E||-\n", 3,
       "TITLE: T\n1:  \n2: B \n3:  \n"},
      {"zero-padded row numbers", "0:T||-\n12:L|x|\\\n", 0,
       "TITLE: T\n01:  \n02:  \n03:  \n04:  \n05:  \n06:  \n07:  \n08:  \n09:  \n"
       "10:  \n11:  \n12: L *\n"},
      {"ten rows are two digits wide", "10:J||\\\n", 0,
       "TITLE: \n01:  \n02:  \n03:  \n04:  \n05:  \n06:  \n07:  \n08:  \n09:  \n10: J \n"},
      {"last_line 0 shows only the title", "0:T||\\\n1:A||-\n", 4, "TITLE: T\n"},
      {"later terminator wins", "1:A||\\\n2:B||\\\n", 0, "TITLE: \n1: A \n2: B \n"},
      {"only a backslash flag ends the page", "1:A||x\n2:B||\\\n3:C||*\n", 0,
       "TITLE: \n1: A \n2: B \n"},
      {"later label wins, later empty target keeps the link",
       "1:A|t|-\n1:B||\\\n",
       0,
       "TITLE: \n1: B *\n",
       {{1, "t"}}},
      {"a later empty label replaces an earlier one", "1:A||-\n1:||\\\n", 0, "TITLE: \n1:  \n"},
      {"records out of order", "3:C||\\\n1:A|t|-\n2:B||-\n0:T||-\n", 0,
       "TITLE: T\n1: A *\n2: B \n3: C \n"},
      {"links out of order",
       "2:B|b|-\n1:A|a|\\\n",
       0,
       "TITLE: \n1: A *\n",
       {{1, "a"}, {2, "b"}, {3, ""}}},
      {"a repeat out of order replaces its record",
       "1:A|a|-\n3:C||\\\n1:Z|z|-\n2:B||-\n",
       0,
       "TITLE: \n1: Z *\n2: B \n3: C \n",
       {{1, "z"}}},
      {"empty line stops parsing", "0:T||-\n1:A||-\n\n2:B||\\\n", 2,
       "ERROR DECODING PAGE\nTITLE: T\n1: A \n2:  \n"},
      {"no digits before the colon", "0:T||-\nab:Item||-\n1:A||-\n", 1,
       "ERROR DECODING PAGE\nTITLE: T\n1:  \n"},
      {"records out of order before an undecodable line",
       "2:B||-\n0:T||-\n1:A|a|\\\nbad\n",
       0,
       "ERROR DECODING PAGE\nTITLE: T\n1: A *\n",
       {{1, "a"}}},
      {"record number beyond 32 bits", "1:A||\\\n2147483648:B||-\n1:C||-\n", 0,
       "ERROR DECODING PAGE\nTITLE: \n1: A \n"},
      {"largest record number is fine", "2147483647:B|t|-\n", 0, "TITLE: \n", {{2147483647, "t"}}},
      {"control bytes in caret notation", "0:\x1b[2J\a\x7f\t\xc3\xa9||-\n1:\r\x01|t|\\\n", 0,
       "TITLE: ^[[2J^G^?\t\xc3\xa9\n1: ^M^A *\n"},
      {"controls after a word of plain text",
       "0:abcdefgh\x7f||-\n1:abcdefghij\x9b|t|-\n"
       "2:abcdefghijk\x01||\\\n",
       0, "TITLE: abcdefgh^?\n1: abcdefghijM-^[ *\n2: abcdefghijk^A \n"},
      {"NUL in a label", std::string("0:a\0b||-\n", 9), 0, "TITLE: a^@b\n"},
      // C1 controls as cat -v writes them; other UTF-8 and Latin-1 pass.
      {"C1 bytes outside UTF-8",
       "0:\x9b"
       "2J\x80\x9f||-\n",
       0, "TITLE: M-^[2JM-^@M-^_\n"},
      {"C1 in UTF-8",
       "0:\xc2\x9b"
       "2J\xc2\x85||-\n",
       0, "TITLE: M-BM-^[2JM-BM-^E\n"},
      {"UTF-8 with bytes 0x80 to 0x9f inside passes",
       "0:\xc2\xa0\xe2\x82\xac\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf||-\n", 0,
       "TITLE: \xc2\xa0\xe2\x82\xac\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\n"},
      {"Latin-1 passes", "0:caf\xe9 \xa0\xff||-\n", 0, "TITLE: caf\xe9 \xa0\xff\n"},
      {"broken UTF-8 counts byte by byte",
       "0:\xe2\x82 \xc0\x80 \xed\xa0\x80 \xf4\x90\x80\x80 \xe0\x9f\x80 \xf0\x8f\x80\x80 \xc2||-\n",
       0,
       "TITLE: \xe2M-^B \xc0M-^@ \xed\xa0M-^@ \xf4M-^PM-^@M-^@ \xe0M-^_M-^@ \xf0M-^OM-^@M-^@ "
       "\xc2\n"},
      {"a C1 sequence across a buffer's end stays whole",
       "0:\xc3\xa9" + std::string(65533, 'a') + "\xc2\x9b" + std::string(70000, 'b') + "||-\n", 0,
       "TITLE: \xc3\xa9" + std::string(65533, 'a') + "M-BM-^[" + std::string(70000, 'b') + "\n"},
      {"plain labels longer than the buffer",
       "0:" + std::string(200000, 'a') + "||-\n1:" + std::string(200000, 'b') + "|t|\\\n", 0,
       "TITLE: " + std::string(200000, 'a') + "\n1: " + std::string(200000, 'b') + " *\n"},
      {"rows across many buffers", many_rows_page(), 0, many_rows_shown()},
  };
  for (const Case& c : cases) {
    PageModel page;
    EXPECT_EQ(show(page, c.body, c.last_line_before), c.shown) << c.what;
    for (const auto& [number, target] : c.links)
      EXPECT_EQ(link_target(page, number), target) << c.what << ", record " << number;
  }
}

// Plain labels that end anywhere near the end of the display's buffer, after
// rows that start anywhere within a word: the row's end must still fit.
TEST(ShowPage, LabelsEndingNearTheBufferEndKeepTheirRowEnds) {
  for (std::size_t title = 0; title < 8; ++title) {
    for (std::size_t length = 65520; length < 65620; ++length) {
      const std::string label(length, 'a');
      PageModel page;
      const std::string shown =
          show(page, "0:" + std::string(title, 'T') + "||-\n1:" + label + "|t|\\\n");
      ASSERT_EQ(shown, "TITLE: " + std::string(title, 'T') + "\n1: " + label + " *\n")
          << "title " << title << ", label " << length;
    }
  }
}

// Any order, any repeats: each number keeps its last label and its last
// non-empty target, as a map written line by line would.
TEST(ShowPage, KeepsTheLastRecordOfEachNumberInShuffledPages) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> number(0, 40), coin(0, 1);
  for (int page_no = 0; page_no < 20; ++page_no) {
    std::string body;
    std::map<int, std::string> labels, links;
    for (int i = 0; i < 1000; ++i) {
      int n = number(random);
      // Appended, not prefixed: GCC 12 at -O3 takes "L" + std::string for an overlapping copy.
      const std::string label = std::string("L").append(std::to_string(i));
      const std::string target = coin(random) ? std::string("t").append(std::to_string(i)) : "";
      body += std::to_string(n) + ":" + label + "|" + target + "|-\n";
      labels[n] = label;
      if (!target.empty()) links[n] = target;
    }
    body += "40:" + labels[40] + "||\\\n";
    std::string expected = "TITLE: " + labels[0] + "\n";
    for (int n = 1; n <= 40; ++n) {
      expected += n < 10 ? "0" : "";
      expected += std::to_string(n) + ": " + labels[n] + (links.count(n) ? " *\n" : " \n");
    }
    PageModel page;
    ASSERT_EQ(show(page, body), expected) << "page " << page_no;
    for (int n = 0; n <= 40; ++n) EXPECT_EQ(link_target(page, n), links[n]) << "record " << n;
  }
}

// A search finds a text in a label however the label's letters repeat the
// text's beginning, ignoring ASCII case only.
TEST(FindRows, FindsTheTextWhereverItStands) {
  const char* labels[] = {"aaab",
                          "aab",
                          "abaab",
                          "AAB",
                          "xaAbx",
                          "aba",
                          "aa",
                          "",
                          "a ab",
                          "\xc3\xa1"
                          "ab",
                          "abaaab",
                          "aabaab"};
  std::string body = "0:T||-\n";
  for (std::size_t n = 0; n < std::size(labels); ++n)
    body += std::to_string(n + 1) + ":" + labels[n] + "||-\n";
  PageModel page;
  split_lines(page, body + "13:end||\\\n");
  parse_page(page);
  std::ostringstream out;
  std::istringstream in;
  Console piped({}, in, out, out);
  display_matching_rows(page, "aAb", piped);
  EXPECT_EQ(out.str(),
            "01: aaab \n02: aab \n03: abaab \n04: AAB \n05: xaAbx \n11: abaaab \n"
            "12: aabaab \n");
}

TEST(LinkTarget, FindsTargetsBeyondTheShownRows) {
  PageModel page;
  split_lines(page, "0:T|home|-\n1:A||\\\n7:Hidden|far|-\n");
  parse_page(page);
  EXPECT_EQ(link_target(page, 0), "home");
  EXPECT_EQ(link_target(page, 1), "");
  EXPECT_EQ(link_target(page, 7), "far");
  EXPECT_EQ(link_target(page, 8), "");
}

// What a body holds before it is read: a record on its first line, and the
// whole lines of a body a stopped transfer cut.
TEST(Body, HoldsARecordAndLosesItsCutLine) {
  struct Case {
    std::string body;
    bool holds_record;
    std::string whole_lines;
  };
  const Case cases[] = {
      {"", false, ""},
      {"0:T||-\n1:A|", true, "0:T||-\n"},
      {"0:T||-\n1:A||\\\n", true, "0:T||-\n1:A||\\\n"},
      {"xx 7:Item|t|-", true, ""},
      {"<html>\n0:T||-\n", false, "<html>\n0:T||-\n"},
      {"\n0:T||-\n", false, "\n0:T||-\n"},
      {"ab:Item||-\n", false, "ab:Item||-\n"},
      {"4294967296:Big||-\n", false, "4294967296:Big||-\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(holds_record(c.body), c.holds_record) << c.body;
    std::string body = c.body;
    drop_cut_line(body);
    EXPECT_EQ(body, c.whole_lines) << c.body;
  }
}

TEST(ClearPage, RecordsAndLinesEmptySeparatelyAndLastLineStays) {
  PageModel page;
  split_lines(page, "0:T|home|-\n3:A||\\\n");
  parse_page(page);
  clear_records(page);
  EXPECT_EQ(page.page_lines, "0:T|home|-\n3:A||\\\n");
  EXPECT_EQ(link_target(page, 0), "");
  clear_lines(page);
  EXPECT_TRUE(page.page_lines.empty());
  EXPECT_EQ(page.last_line, 3);
  // The next page starts afresh.
  EXPECT_EQ(show(page, "0:U|next|-\n", page.last_line), "TITLE: U\n1:  \n2:  \n3:  \n");
  EXPECT_EQ(link_target(page, 0), "next");
}

}  // namespace
