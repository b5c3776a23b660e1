// --check: pages read for their authors, each problem reported with its line
// in the form editors jump to, and with --links the links that lead nowhere.
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <new>

#include "base/limits.h"
#include "navigation/page_tools.h"
#include "page/page.h"
#include "web/web.h"

namespace {

constexpr int page_has_error = 1;
constexpr int name_unreadable = 2;

// A page's body, or why it cannot be read.
struct ReadPage {
  std::string body;
  std::string failure;
  bool cut = false;
};

ReadPage read_stream(std::istream& in) {
  ReadPage page;
  std::array<char, 64 << 10> piece{};
  while (page.body.size() <= page_cap_bytes &&
         (in.read(piece.data(), piece.size()) || in.gcount() > 0))
    page.body.append(piece.data(), static_cast<std::size_t>(in.gcount()));
  if (page.body.size() > page_cap_bytes) {
    page.body.resize(page_cap_bytes);
    page.cut = true;
  }
  return page;
}

ReadPage read_name(const std::string& name, std::istream& in) {
  if (name == "-") return read_stream(in);
  if (name.find("://") != std::string::npos) {
    Retrieval got = retrieve(name);
    ReadPage page;
    page.cut = got.cut;
    if (!got.failure.empty() && !page.cut) page.failure = got.failure;
    page.body = std::move(got.body);
    return page;
  }
  std::ifstream file(name, std::ios::binary);
  if (!file) return {{}, std::strerror(errno), false};
  ReadPage page = read_stream(file);
  if (file.bad()) page.failure = std::strerror(errno);
  return page;
}

// The report of a whole run: each problem as it is found, in the form editors
// jump to, and the counts for the summary line. The name is shown safely
// here; the messages come so from the check.
struct Report {
  const RunMode& mode;
  std::ostream& out;
  std::size_t errors = 0;
  std::size_t warnings = 0;
  std::size_t pages = 0;
  // Lines gathered and written a buffer at a time, not a piece at a time:
  // saves 0.1 s of 0.4 in checking the million-record page, which has a
  // third of a million warnings.
  std::string waiting{};

  void say(const std::string& shown_name, const PageProblem& problem) {
    waiting += shown_name;
    if (problem.line != 0) {
      std::array<char, 24> number{};
      number[0] = ':';
      char* end = std::to_chars(number.data() + 1, number.data() + number.size(), problem.line).ptr;
      waiting.append(number.data(), static_cast<std::size_t>(end - number.data()));
    }
    waiting += problem.error ? ": error: " : ": warning: ";
    waiting += problem.message;
    waiting += '\n';
    ++(problem.error ? errors : warnings);
    if (waiting.size() >= std::size_t{64} << 10) flush();
  }
  void flush() {
    out << waiting << std::flush;
    waiting.clear();
  }
};

// Links whose target fails, answers with a status outside 2xx, or is no page,
// as errors at the line of each record that names them, in line order.
void check_links(const std::vector<PageLink>& links, const ProblemSink& report, const RunMode& mode,
                 std::ostream& err) {
  std::map<std::string, std::vector<std::size_t>> lines_of;  // by address, as following loads it
  for (const PageLink& link : links)
    lines_of[normalize_url(link.target).address].push_back(link.line);
  std::vector<std::string> addresses;
  addresses.reserve(lines_of.size());
  for (const auto& [address, lines] : lines_of) addresses.push_back(address);
  LinkProgress progress;
  if (mode.progress_on_error) {  // never into a file or a pipe
    progress = [&err](std::size_t done, std::size_t all) {
      show_status("CHECKING LINKS: " + std::to_string(done) + " OF " + std::to_string(all), err);
      if (done == all) clear_status(err);
    };
  }
  const std::vector<LinkAnswer> answers = retrieve_links(addresses, progress);
  std::vector<std::pair<std::size_t, std::size_t>> failed;  // line, address
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const bool fails = !answers[i].failure.empty() || !holds_record(answers[i].first_line);
    if (fails)
      for (const std::size_t line : lines_of[addresses[i]]) failed.emplace_back(line, i);
  }
  std::stable_sort(failed.begin(), failed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [line, i] : failed) {
    const std::string& why = answers[i].failure;
    report({line, true,
            visible("link to " + addresses[i] + ": " +
                        (why.empty() ? "not a page: its first line holds no record" : why),
                    mode.output_rule)});
  }
}

std::string counted(std::size_t count, std::string_view what) {
  return std::to_string(count) + " " + std::string(what) + (count == 1 ? "" : "s");
}

// One page checked, its problems said as they are found.
void check_one(const std::string& name, const ReadPage& page, const CheckOptions& options,
               Report& report, std::ostream& err) {
  const std::string shown_name = visible(name, report.mode.output_rule);
  const ProblemSink sink = [&](const PageProblem& problem) { report.say(shown_name, problem); };
  if (page.cut) sink({0, false, "page over 64 MiB: readers get only its first 64 MiB"});
  const std::vector<PageLink> links = check_page(page.body, report.mode.output_rule, sink);
  report.flush();  // before a status line on standard error
  if (options.links) check_links(links, sink, report.mode, err);
  ++report.pages;
  report.flush();
}

}  // namespace

int check_pages(const CheckOptions& options, const RunMode& mode, std::istream& in,
                std::ostream& out, std::ostream& err) {
  const ConsoleRun console(mode);
  Report report{mode, out};
  bool unreadable = false;
  for (const std::string& name : options.names) {
    if (!out) break;  // what could be said can no longer be written
    const std::string& shown = name == "-" ? options.stdin_name : name;
    try {
      const ReadPage page = read_name(name, in);
      if (page.failure.empty()) {
        check_one(shown, page, options, report, err);
      } else {
        say_failure(shown, page.failure, mode, err);
        unreadable = true;
      }
    } catch (const std::bad_alloc&) {
      // A page that does not fit is said as such; the next is still checked.
      report.flush();
      say_failure(shown, "OUT OF MEMORY: the page is too big to check here", mode, err);
      unreadable = true;
    }
    out.flush();
  }
  if (report.errors + report.warnings > 0)
    out << counted(report.errors, "error") << " and " << counted(report.warnings, "warning")
        << " in " << counted(report.pages, "page") << '\n'
        << std::flush;
  if (unreadable) return name_unreadable;
  const bool failed = report.errors > 0 || (options.strict && report.warnings > 0);
  return failed ? page_has_error : 0;
}
