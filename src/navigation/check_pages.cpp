// --check: pages read for their authors, each problem reported with its line
// in the form editors jump to, and with --links the links that lead nowhere.
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <new>

#include "base/limits.h"
#include "navigation/check_report.h"
#include "navigation/page_tools.h"
#include "page/page.h"
#include "web/web.h"

namespace {

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
    page.cut = got.stop == TransferStop::cut;
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
  const std::vector<SideAnswer> answers = retrieve_links(addresses, progress);
  std::vector<std::pair<std::size_t, std::size_t>> failed;  // line, address
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (!why_link_fails(answers[i]).empty())
      for (const std::size_t line : lines_of[addresses[i]]) failed.emplace_back(line, i);
  }
  std::stable_sort(failed.begin(), failed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [line, i] : failed)
    report(link_problem(line, addresses[i], why_link_fails(answers[i]), mode.output_rule));
}

// One page checked, its problems said as they are found.
void check_one(const std::string& name, const ReadPage& page, const CheckOptions& options,
               const RunMode& mode, Report& report, std::ostream& err) {
  const std::string shown_name = visible(name, mode.output_rule);
  const ProblemSink sink = [&](const PageProblem& problem) { report.say(shown_name, problem); };
  const std::vector<PageLink> links = check_body(page.body, page.cut, mode.output_rule, sink);
  report.flush();  // before a status line on standard error
  if (options.links) check_links(links, sink, mode, err);
  ++report.pages;
  report.flush();
}

}  // namespace

int check_pages(const CheckOptions& options, const RunMode& mode, std::istream& in,
                std::ostream& out, std::ostream& err) {
  const ConsoleRun console(mode);
  Report report{out};
  bool unreadable = false;
  for (const std::string& name : options.names) {
    if (!out) break;  // what could be said can no longer be written
    const std::string& shown = name == "-" ? options.stdin_name : name;
    try {
      const ReadPage page = read_name(name, in);
      if (page.failure.empty()) {
        check_one(shown, page, options, mode, report, err);
      } else {
        say_failure(shown, page.failure, mode, err);
        unreadable = true;
      }
    } catch (const std::bad_alloc&) {
      // A page that does not fit is said as such; the next is still checked.
      report.flush();
      say_failure(shown, page_too_big, mode, err);
      unreadable = true;
    }
    out.flush();
  }
  if (report.errors + report.warnings > 0) out << report.summary() << '\n' << std::flush;
  return unreadable ? name_unreadable : report.status(options.strict);
}
