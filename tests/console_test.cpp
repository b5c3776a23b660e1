// The console as plain functions: how network text is shown, how many lines
// and columns it takes on a screen, and when the pager pauses.
#include "console/console.h"

#include <gtest/gtest.h>
#include <histedit.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "console/history_file.h"
#include "console/screen_sums.h"
#include "view/view.h"

namespace {

// Widths of characters are the locale's, as at a UTF-8 terminal.
class ScreenSums : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
  void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

const std::string wide = "\xe6\x97\xa5";    // U+65E5, two columns
const std::string combining = "e\xcc\x81";  // e and U+0301, one column
const std::string latin1 = "\xe9";          // M-i at a UTF-8 terminal

// The lines one row takes: own text, a network field up to its bar, own end.
TEST_F(ScreenSums, RowLines) {
  struct Case {
    const char* what;
    std::string own, field, own_end;
    std::size_t columns, lines;
    TextRule rule = TextRule::utf8;
  };
  const Case cases[] = {
      {"fits", "1: ", "abc", " *", 10, 1},
      {"ends exactly at the edge", "1: ", "abcde", " *", 10, 1},
      {"one past the edge", "1: ", "abcdef", " *", 10, 2},
      {"twice the width and one", "", std::string(20, 'a'), " ", 10, 3},
      {"tabs go to the next stop", "", "a\tb\tc", "", 10, 2},
      {"a tab at the edge stays there", "", "abcdefghij\t", "", 10, 1},
      {"wide characters take two columns", "", wide + wide + wide + wide + wide, "", 10, 1},
      {"and one more column wraps", "", wide + wide + wide + wide + wide + "x", "", 10, 2},
      {"a wide character that does not fit starts the next line", "", "abcdefghi" + wide, "", 10,
       2},
      {"combining marks take none", "",
       combining + combining + combining + combining + combining + combining + combining +
           combining + combining + combining,
       "", 10, 1},
      {"notation takes its own width", "", "\x1b\x1b\x1b\x1b\x1b", "", 10, 1},
      {"notation past the edge", "", "\x1b\x1b\x1b\x1b\x1b\x1b", "", 10, 2},
      {"Latin-1 at a UTF-8 terminal as M-i", "", latin1 + latin1 + latin1 + "ab", "", 10, 2},
      {"Latin-1 at an 8-bit terminal, one column", "", latin1 + latin1 + latin1 + "ab", "", 10, 1,
       TextRule::eight_bit},
      {"the field ends at its bar", "", "abc|" + std::string(30, 'x'), "", 10, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(row_lines(c.own, c.field, c.own_end, c.columns, c.rule, 24), c.lines) << c.what;
}

// A line cut to the screen's width keeps what fits beside "...".
TEST_F(ScreenSums, FittedLine) {
  struct Case {
    const char* what;
    std::string own, text;
    std::size_t columns;
    std::string line;
  };
  const Case cases[] = {
      {"fits whole", "AT LINE 1: ", "abc", 20, "AT LINE 1: abc"},
      {"fills the line exactly", "", "abcdefghij", 10, "abcdefghij"},
      {"cut", "", "abcdefghijk", 10, "abcdefg..."},
      {"a bar is text here", "", "a|b|c", 10, "a|b|c"},
      {"a tab takes columns to the next stop", "", "a\tbcdefghij", 12, "a\tb..."},
      {"wide characters take two", "", wide + wide + wide + wide + wide + wide, 10,
       wide + wide + wide + "..."},
      {"notation is kept whole", "", "abcd\x1b" + std::string(10, 'x'), 9, "abcd^[..."},
      {"notation that does not fit goes whole", "", "abcde\x1b" + std::string(10, 'x'), 9,
       "abcde..."},
      {"own text takes its columns", "AT LINE 41: ", std::string(100, 'w'), 80,
       "AT LINE 41: " + std::string(65, 'w') + "..."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fitted_line(c.own, c.text, c.columns, TextRule::utf8), c.line) << c.what;
}

// The pause's line is never as wide as the screen.
TEST(MoreLine, NeverWraps) {
  const std::string full = "-- MORE: SPACE NEXT SCREEN, ENTER NEXT ROW, B BACK, Q STOPS, H KEYS --";
  const std::string shorter = "-- MORE: SPACE, ENTER, B BACK, Q, H --";
  const std::pair<std::size_t, std::string> cases[] = {
      {80, full},         {71, full},         {70, shorter},     {39, shorter},
      {38, "-- MORE --"}, {11, "-- MORE --"}, {10, "-- MORE -"}, {8, "-- MORE"},
  };
  for (const auto& [columns, line] : cases) EXPECT_EQ(more_line(columns), line) << columns;
}

// What each key at the pause asks for: whole escape sequences, so that no
// part of one is taken for a digit or a command.
TEST(MoreFor, TakesEveryKeyWhole) {
  const std::pair<std::string, More> cases[] = {
      {" ", More::screen},         {"f", More::screen},      {"\x1b[6~", More::screen},
      {"\r", More::row},           {"\n", More::row},        {"j", More::row},
      {"\x1b[B", More::row},       {"\x1bOB", More::row},    {"b", More::back},
      {"k", More::back},           {"\x1b[5~", More::back},  {"\x1b[A", More::back},
      {"\x1bOA", More::back},      {"q", More::stop},        {"Q", More::stop},
      {"\x03", More::stop},        {"0", More::command},     {"7", More::command},
      {"x", More::nothing},        {"\x1b", More::nothing},  {"\x1b[1;5C", More::nothing},
      {"\x1b[15~", More::nothing}, {"\x1bx", More::nothing}, {"\x1b[6;2~", More::nothing},
      {"B", More::back},           {"F", More::screen},      {"J", More::row},
      {"/", More::find},           {"n", More::next_match},  {"N", More::previous_match},
      {"G", More::last_screen},    {"g", More::nothing},     {"h", More::keys},
      {"H", More::keys},
  };
  for (const auto& [key, more] : cases)
    EXPECT_EQ(more_for(key), more) << testing::PrintToString(key);
}

// Rows of so many lines each on a screen of `rows`: before which rows the
// pager pauses, answered with Space (a new screenful) or Enter (one row).
TEST(PageCount, PausesBeforeTheRowThatWouldScrollThePage) {
  struct Case {
    const char* what;
    std::size_t rows;
    std::vector<std::size_t> lines;
    std::string pauses;  // per row: '.' shown, 'S' after a pause answered with Space, 'E' Enter
  };
  const Case cases[] = {
      {"a screenful less the prompt's line", 5, {1, 1, 1, 1, 1, 1}, "....S."},
      {"a row that would not fit waits", 5, {3, 3, 1}, ".S."},
      {"a first row longer than the screen is shown", 5, {9, 1}, ".S"},
      {"Enter allows one row more", 5, {1, 1, 1, 1, 1, 1, 1}, "....EE."},
      {"Enter then Space", 4, {1, 1, 1, 1, 1, 1, 1, 1}, "...ES..."},
  };
  for (const Case& c : cases) {
    PageCount count;
    count.new_screen(c.rows);
    std::string seen;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      char shown = '.';
      if (count.must_pause(c.lines[i])) {
        shown = c.pauses[i];
        if (shown == 'S')
          count.new_screen(c.rows);
        else
          count.allow_one_more(c.lines[i]);
      }
      count.count(c.lines[i]);
      seen += shown;
    }
    EXPECT_EQ(seen, c.pauses) << c.what;
  }
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

// Lines kept from run to run: as typed, addresses as the g that goes there,
// and never a blank one or one with a control byte.
// A check's status line is for the person at standard error's terminal; the
// report on standard output never holds it.
TEST(StatusLine, GoesToStandardErrorAlone) {
  std::istringstream in;
  std::ostringstream out, err;
  RunMode mode = writing_mode(false);
  mode.progress_on_error = true;
  Console console(mode, in, out, err);
  show_status(console, "CHECKING LINKS: 1 OF 2, CTRL-C STOPS");
  clear_status(console);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "\rCHECKING LINKS: 1 OF 2, CTRL-C STOPS\x1b[K\r\x1b[K");
}

TEST(History, KeepsLinesAsTheyWouldBeTyped) {
  const std::tuple<std::string, Recall, std::optional<std::string>> cases[] = {
      {"1 b d", Recall::commands, "1 b d"},
      {"127.0.0.1/a.txt", Recall::addresses, "g 127.0.0.1/a.txt"},
      {"  ", Recall::commands, std::nullopt},
      {"d\x1b[2J", Recall::commands, std::nullopt},
      {"a\tb", Recall::addresses, std::nullopt},
      {"caf\xc3\xa9", Recall::commands, "caf\xc3\xa9"},
  };
  for (const auto& [line, recall, kept] : cases) EXPECT_EQ(kept_line(line, recall), kept) << line;
}

// Two runs that add to the file one after the other lose no line of either;
// the file keeps the newest 1,000, for its owner's eyes only; addresses come
// back at their own prompt.
TEST(History, FileKeepsEveryRunsNewestLines) {
  std::string folder = "/tmp/linebrowse-history-XXXXXX";
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const std::string path = folder + "/state/linebrowse/history";
  std::vector<std::string> many;
  for (int n = 0; n < 1005; ++n) many.push_back(std::to_string(n));
  EXPECT_FALSE(save_history(path, many));
  EXPECT_FALSE(save_history(path, {"d", "g 127.0.0.1/a b.txt"}));
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
  const auto commands =
      std::unique_ptr<History, decltype(&history_end)>(history_init(), history_end);
  const auto addresses =
      std::unique_ptr<History, decltype(&history_end)>(history_init(), history_end);
  HistEvent event;
  history(commands.get(), &event, H_SETSIZE, 2000);
  history(addresses.get(), &event, H_SETSIZE, 2000);
  load_history(path, commands.get(), addresses.get());
  history(commands.get(), &event, H_GETSIZE);
  EXPECT_EQ(event.num, kept_lines);
  history(commands.get(), &event, H_FIRST);
  EXPECT_EQ(std::string(event.str), "g 127.0.0.1/a b.txt");
  history(commands.get(), &event, H_LAST);
  EXPECT_EQ(std::string(event.str), "7");
  history(addresses.get(), &event, H_FIRST);
  EXPECT_EQ(std::string(event.str), "127.0.0.1/a b.txt");
  EXPECT_EQ(std::filesystem::status(folder + "/state/linebrowse").permissions(),
            std::filesystem::perms(0700));
  // A file that is not a history is the person's own: left as it is, and said.
  std::ofstream(path) << "my own notes\n";
  EXPECT_EQ(save_history(path, {"d"}), "it cannot be read as a history, and is left as it is");
  std::ifstream notes(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(notes), {}), "my own notes\n");
  // A lock that cannot be taken is said, and nothing is written.
  std::filesystem::remove(path);
  std::filesystem::remove(path + ".lock");
  std::filesystem::create_directory(path + ".lock");
  EXPECT_EQ(save_history(path, {"d"}), "cannot lock it: Is a directory");
  EXPECT_FALSE(std::filesystem::exists(path));
  std::filesystem::remove_all(folder);
}

}  // namespace

namespace {

// Text of our own at a width: wrapped between words, a long word cut, a
// command's description under its start and its later lines joined.
TEST(WrappedLines, BreakBetweenWords) {
  struct Row {
    std::string text;
    std::size_t width;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"  x       one two three\n          four five\n",
       24,
       {"  x       one two three", "          four five"}},
      {"  x       one two three\n          four five\n",
       0,
       {"  x       one two three", "          four five"}},
      {"plain words here\n\nabcdefghijkl\n", 6, {"plain", "words", "here", "", "abcdef", "ghijkl"}},
      {"  ?       list\n", 80, {"  ?       list"}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(wrapped_lines(row.text, row.width), row.lines) << row.text << " at " << row.width;
}

}  // namespace
