// The check's report as each format writes it: a page's problems, the note
// past --max-problems and the summary, with page text that would break a
// line or name another file.
#include "check/check_report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(Report, EachFormatWritesProblemsNoteAndSummary) {
  struct Row {
    ReportFormat format;
    std::string written;
  };
  const Row rows[] = {
      {ReportFormat::text,
       "a,b^J.txt:2: warning: first [no-title]\na,b^J.txt: note: 1 more problem not shown "
       "(--max-problems "
       "1)\n0 errors and 2 warnings in 1 page\n"},
      {ReportFormat::github,
       "::warning file=a%2Cb%0A.txt,line=2::first [no-title]\n::notice file=a%2Cb%0A.txt::1 more "
       "problem "
       "not shown (--max-problems 1)\n::notice::0 errors and 2 warnings in 1 page\n"},
      {ReportFormat::json,
       "{\"name\":\"a,b\\n.txt\",\"line\":2,\"severity\":\"warning\",\"code\":\"no-title\","
       "\"message\":\"first\"}\n"
       "{\"name\":\"a,b\\n.txt\",\"line\":null,\"severity\":\"note\",\"message\":\"1 more problem "
       "not shown (--max-problems 1)\"}\n{\"errors\":0,\"warnings\":2,\"pages\":1,\"addresses\":0,"
       "\"pages_not_checked\":0,\"offline_not_checked\":0,\"excluded\":0,\"pages_beyond_depth\":0,"
       "\"ignored\":0,\"from_cache\":0,\"stopped\":false}\n"},
  };
  for (const Row& row : rows) {
    std::ostringstream out;
    {
      CheckOptions options;
      options.format = row.format;
      options.max_problems = 1;
      Report report(out, options, TextRule::piped);
      report.begin_page("a,b\n.txt");
      report.problem({2, ProblemCode::no_title, "first"});
      report.problem({3, ProblemCode::crlf, "second"});
      report.end_page();
      ReportEnd end;
      end.pages = 1;
      report.finish(end, row.format != ReportFormat::text);
      EXPECT_EQ(report.status(false), 0);
      EXPECT_EQ(report.status(true), 1) << "--strict: a warning fails";
    }
    EXPECT_EQ(out.str(), row.written);
  }
}

// A link's verdict is read from how its retrieval ended, never from its text.
TEST(Report, LinkVerdictFollowsTheRetrieval) {
  using Outcome = LinkVerdict::Outcome;
  struct Row {
    TransferStop stop;
    long status;
    std::string body;
    Outcome outcome;
  };
  const Row rows[] = {
      {TransferStop::none, 200, "0:T||-\n", Outcome::good},
      {TransferStop::cut, 200, "0:T||-\n", Outcome::good},
      {TransferStop::none, 0, "0:T||-\n", Outcome::good},  // a file
      {TransferStop::none, 404, "0:T||-\n", Outcome::status},
      {TransferStop::failed, 0, "", Outcome::not_retrieved},
      {TransferStop::stalled, 200, "0:T||-\n", Outcome::not_retrieved},
      {TransferStop::none, 200, "<html>\n", Outcome::not_a_page},
  };
  for (const Row& row : rows) {
    SideAnswer answer;
    answer.stop = row.stop;
    answer.status = row.status;
    answer.body = row.body;
    answer.failure = "whatever it says";
    EXPECT_EQ(verdict_of(answer).outcome, row.outcome) << row.status << " " << row.body;
  }
}

}  // namespace
