// Benchmarks: the record matcher beside the regex engine it replaced, and a
// million-record page split, parsed and displayed, searched and its links
// listed, and checked as --check checks it.
#include <benchmark/benchmark.h>

#include <regex>
#include <sstream>
#include <streambuf>

#include "page/page.h"
#include "page/record_pattern.h"
#include "view/view.h"
#include "web/web.h"

namespace {

std::vector<std::string> typical_lines() {
  std::vector<std::string> lines;
  for (int i = 0; i < 1000; ++i) {
    std::string n = std::to_string(i);
    lines.push_back(n + ":Item " + n + " label|" + (i % 3 ? "" : "host/p" + n) + "|-");
  }
  return lines;
}

void record_matcher(benchmark::State& state) {
  auto lines = typical_lines();
  for (auto _ : state)
    for (const auto& line : lines) benchmark::DoNotOptimize(match_record(line));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(record_matcher);

void regex_search(benchmark::State& state) {
  auto lines = typical_lines();
  const std::regex pattern(std::string(record_pattern), std::regex::ECMAScript);
  std::smatch groups;
  for (auto _ : state)
    for (const auto& line : lines)
      benchmark::DoNotOptimize(std::regex_search(line, groups, pattern));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(regex_search);

constexpr int million = 1'000'000;

// Lines like "17:Item 17 label|host/p17|-", every third with a target, the
// last one the terminator.
std::string million_record_page() {
  std::string body;
  for (int i = 0; i < million; ++i) {
    std::string n = std::to_string(i);
    body += n + ":Item " + n + " label|" + (i % 3 ? "" : "host/p" + n) + "|" +
            (i == million - 1 ? "\\" : "-") + "\n";
  }
  return body;
}

struct DiscardingBuffer : std::streambuf {
  int_type overflow(int_type c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void read_page(benchmark::State& state) {
  static const std::string body = million_record_page();
  for (auto _ : state) {
    PageModel page;
    split_lines(page, body);
    parse_page(page);
    benchmark::DoNotOptimize(page.line_labels.size());
  }
  state.SetItemsProcessed(state.iterations() * million);
}
BENCHMARK(read_page)->Unit(benchmark::kMillisecond);

// The million-record page read once, for the benchmarks that show it.
struct ReadMillionPage {
  ReadMillionPage() {
    split_lines(page, million_record_page());
    parse_page(page);
  }
  PageModel page;
};

// Times `show`, which writes the read page to a stream that keeps nothing.
template <typename Show>
void time_showing(benchmark::State& state, Show show) {
  static const ReadMillionPage read;
  DiscardingBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console piped({}, in, out, out);
  for (auto _ : state) show(read.page, piped);
  state.SetItemsProcessed(state.iterations() * million);
}

void display_million_rows(benchmark::State& state) {
  time_showing(state, [](const PageModel& page, Console& console) {
    display_page(page, RowsShown::up_to_last_line, console);
  });
}
BENCHMARK(display_million_rows)->Unit(benchmark::kMillisecond);

// A search, beside display_million_rows: "item 9" finds one row in nine,
// "LABEL" every row, "nowhere" none.
void find_rows(benchmark::State& state, std::string_view text) {
  time_showing(state, [text](const PageModel& page, Console& console) {
    display_matching_rows(page, text, console);
  });
}
BENCHMARK_CAPTURE(find_rows, some, std::string_view("item 9"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(find_rows, all, std::string_view("LABEL"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(find_rows, none, std::string_view("nowhere"))->Unit(benchmark::kMillisecond);

// The links of every third record, each with its address, beside
// display_million_rows.
void list_links(benchmark::State& state) {
  time_showing(state,
               [](const PageModel& page, Console& console) { display_links(page, console); });
}
BENCHMARK(list_links)->Unit(benchmark::kMillisecond);

// --dump of the million-record page once it has arrived, beside --check of it
// (the retrieval is the same for both): read and shown, or read and checked.
void dump_page_body(benchmark::State& state) {
  static const std::string body = million_record_page();
  DiscardingBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console piped({}, in, out, out);
  for (auto _ : state) {
    state.PauseTiming();
    std::string arrived = body;
    PageModel page;
    state.ResumeTiming();
    split_lines(page, std::move(arrived));
    parse_page(page);
    display_page(page, RowsShown::up_to_last_line, piped);
  }
  state.SetItemsProcessed(state.iterations() * million);
}
BENCHMARK(dump_page_body)->Unit(benchmark::kMillisecond);

// Each problem written as --check writes it, to a stream that keeps nothing.
void check_page_body(benchmark::State& state) {
  static const std::string body = million_record_page();
  DiscardingBuffer discard;
  std::ostream out(&discard);
  std::istringstream in;
  Console piped({}, in, out, out);
  std::size_t links = 0;
  const PageCheckSink report{
      [&out](const PageProblem& problem) {
        out << "-:" << problem.line << (problem.error() ? ": error: " : ": warning: ")
            << problem.message << '\n';
      },
      [&links](std::size_t /*line*/, std::string_view /*target*/) { ++links; }};
  for (auto _ : state) check_page(body, TextRule::piped, report);
  benchmark::DoNotOptimize(links);
  state.SetItemsProcessed(state.iterations() * million);
}
BENCHMARK(check_page_body)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
