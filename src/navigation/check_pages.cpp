// --check: pages read for their authors, each problem reported with its line
// in the form editors jump to, and with --links the links that lead nowhere.
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

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

// Links whose target fails, answers with a status outside 2xx, or is no page,
// as errors at the line of each record that names them.
void check_links(const PageCheck& check, std::vector<PageProblem>& problems, const RunMode& mode,
                 std::ostream& err) {
  std::map<std::string, std::vector<std::size_t>> lines_of;  // by address, as following loads it
  for (const PageLink& link : check.links)
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
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    std::string why = answers[i].failure;
    if (why.empty() && !holds_record(answers[i].first_line))
      why = "not a page: its first line holds no record";
    if (why.empty()) continue;
    for (const std::size_t line : lines_of[addresses[i]])
      problems.push_back({line, true, "link to " + addresses[i] + ": " + why});
  }
  std::stable_sort(problems.begin(), problems.end(),
                   [](const PageProblem& a, const PageProblem& b) { return a.line < b.line; });
}

std::string counted(std::size_t count, std::string_view what) {
  return std::to_string(count) + " " + std::string(what) + (count == 1 ? "" : "s");
}

// The problems of one page, then its summary line; whether it has an error.
// The name and the messages may hold the page's own bytes, shown safely.
bool report(const std::string& name, const std::vector<PageProblem>& problems, const RunMode& mode,
            std::ostream& out) {
  const std::string shown_name = visible(name, mode.output_rule);
  std::size_t errors = 0;
  for (const PageProblem& problem : problems) {
    out << shown_name;
    if (problem.line != 0) out << ':' << problem.line;
    out << (problem.error ? ": error: " : ": warning: ")
        << visible(problem.message, mode.output_rule) << '\n';
    errors += problem.error ? 1 : 0;
  }
  out << shown_name << ": " << counted(errors, "error") << ", "
      << counted(problems.size() - errors, "warning") << '\n'
      << std::flush;
  return errors > 0;
}

}  // namespace

int check_pages(const std::vector<std::string>& names, bool links, const RunMode& mode,
                std::istream& in, std::ostream& out, std::ostream& err) {
  const ConsoleRun console(mode);
  int status = 0;
  for (const std::string& name : names) {
    ReadPage page = read_name(name, in);
    if (!page.failure.empty()) {
      say_failure(name, page.failure, mode, err);
      status = name_unreadable;
      continue;
    }
    PageCheck check = check_page(page.body);
    if (page.cut)
      check.problems.insert(check.problems.begin(),
                            {0, false, "page over 64 MiB: readers get only its first 64 MiB"});
    if (links) check_links(check, check.problems, mode, err);
    if (report(name, check.problems, mode, out) && status == 0) status = page_has_error;
  }
  return status;
}
