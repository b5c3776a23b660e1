// The record matcher against the standard regex engine it replaces, and the
// page lines whose reading the page format spells out.
#include "page/record_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <random>
#include <regex>
#include <string>

#include "page/page.h"

namespace {

// Keeps the timed matches from being optimised away.
volatile int benchmark_guard = 0;

struct Groups {
  bool found;
  std::string number, label, target, flag;
  bool operator==(const Groups&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Groups& g) {
  return os << (g.found ? "match" : "none") << " [" << g.number << "][" << g.label << "]["
            << g.target << "][" << g.flag << "]";
}

Groups groups_of(const RecordMatch& m) {
  return {m.found, std::string(m.number), std::string(m.label), std::string(m.target),
          std::string(m.flag)};
}

Groups by_matcher(const std::string& line) { return groups_of(match_record(line)); }

// The page reader's first look at a line must find just what the matcher
// finds, with the record number those digits make.
void expect_line_reader_agrees(const std::string& line) {
  const LineRecord read = match_line(line);
  EXPECT_EQ(groups_of(read.record), by_matcher(line)) << "line: " << line;
  EXPECT_EQ(read.number, record_number(read.record.number)) << "line: " << line;
}

Groups by_regex(const std::string& line) {
  static const std::regex pattern(std::string(record_pattern), std::regex::ECMAScript);
  std::smatch m;
  if (!std::regex_search(line, m, pattern)) return {false, "", "", "", ""};
  return {true, m[1], m[2], m[3], m[4]};
}

TEST(RecordPattern, AgreesWithRegexSearchOnGeneratedLines) {
  // Heavy in the bytes the pattern cares about, with a few others mixed in.
  const std::string alphabet = "0123456789:::|||\\\\\r\r\nab -\t\x7f\x80\xff";
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::size_t> length(0, 24);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  int matched = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string line(length(random), ' ');
    for (char& c : line) c = alphabet[pick(random)];
    Groups expected = by_regex(line);
    ASSERT_EQ(by_matcher(line), expected) << "line: " << line;
    expect_line_reader_agrees(line);
    matched += expected.found;
  }
  EXPECT_GT(matched, 2000);  // the generated lines exercise both outcomes
}

TEST(RecordPattern, ReadsTheLinesOfThePageFormat) {
  struct Case {
    std::string line;
    Groups expected;
  };
  const Case cases[] = {
      {"1:News|server/news.txt|-", {true, "1", "News", "server/news.txt", "-"}},
      {"3:About|server/about.txt|\\", {true, "3", "About", "server/about.txt", "\\"}},
      {"xx 7:Item|target|-", {true, "7", "Item", "target", "-"}},
      {"ab:Item||-", {true, "", "Item", "", "-"}},
      {"5:A|B|C|D", {true, "5", "A", "B", "C"}},
      {"2:a:b:c||-", {true, "2", "a:b:c", "", "-"}},
      {"4:Crlf||-\r", {true, "4", "Crlf", "", "-"}},
      {"4:No flag||\r", {false, "", "", "", ""}},
      {"4:No flag||", {false, "", "", "", ""}},
      {"", {false, "", "", "", ""}},
      {"007:Zeros||-", {true, "007", "Zeros", "", "-"}},
      {"1:x||\r 2:y||-", {true, "2", "y", "", "-"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(by_matcher(c.line), c.expected) << "line: " << c.line;
    EXPECT_EQ(by_regex(c.line), c.expected) << "regex, line: " << c.line;
    expect_line_reader_agrees(c.line);
  }
}

TEST(RecordPattern, StaysLinearOnLongHostileLines) {
  // Both lines crash or crawl in a recursive backtracking engine.
  std::string long_label = "1:" + std::string(300000, 'a') + "|t|-";
  EXPECT_EQ(match_record(long_label).label.size(), 300000u);
  std::string colons(200000, ':');
  EXPECT_FALSE(match_record(colons).found);
  std::string colons_then_bars = colons + "|" + colons + "|";
  EXPECT_FALSE(match_record(colons_then_bars).found);
}

// CPU seconds per match of `line`: the best of three runs of at least 2 ms.
double seconds_per_match(const std::string& line) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    const std::clock_t start = std::clock();
    long matches = 0;
    double elapsed = 0;
    do {
      benchmark_guard = benchmark_guard + match_record(line).found;
      ++matches;
      elapsed = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    } while (elapsed < 0.002);
    best = std::min(best, elapsed / static_cast<double>(matches));
  }
  return best;
}

TEST(RecordPattern, MatchTimeGrowsInProportionToTheLine) {
  // Every colon could start a match, and each fails only at the end of the
  // line: a matcher that tried them one by one would take 256 times as long
  // for a line 16 times as long, a linear one 16 times.
  auto hostile = [](std::size_t n) {
    return std::string(n, ':') + "|" + std::string(n, ':') + "|";
  };
  const double short_line = seconds_per_match(hostile(4096));
  const double long_line = seconds_per_match(hostile(16 * 4096));
  EXPECT_LT(long_line, 64 * short_line) << short_line << " s, then " << long_line << " s";
}

}  // namespace
