// --check: pages read for their authors, each problem reported with its line
// in the form editors jump to, and with --links the links that lead nowhere.
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>

#include "base/ascii.h"
#include "base/exit_status.h"
#include "base/limits.h"
#include "base/messages.h"
#include "check/check.h"
#include "check/check_report.h"
#include "check/link_cache.h"
#include "page/page.h"
#include "web/web.h"

namespace {

// A page's body, or why it cannot be read.
struct ReadPage {
  std::string body;
  std::optional<std::string> failure;  // why it cannot be read, when it cannot
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
  if (!scheme_written(name).empty()) {
    Retrieval got = retrieve(name);
    ReadPage page;
    page.cut = got.stop == TransferStop::cut;
    if (!link_came(got.stop, got.status)) page.failure = got.failure;
    page.body = std::move(got.body);
    return page;
  }
  FileRead file = read_capped_file(name);
  switch (file.problem) {
    case FileRead::Problem::cannot_read:
      return {{}, std::strerror(file.error), false};
    case FileRead::Problem::not_a_file:
      return {{}, "not a file", false};
    case FileRead::Problem::out_of_memory:
      return {{}, std::string(page_too_big), false};
    case FileRead::Problem::cut:
    case FileRead::Problem::none:
      break;
  }
  return {std::move(file.body), {}, file.problem == FileRead::Problem::cut};
}

// The verdict on every address a page's links name, each retrieved once
// however it is spelt; looked up by the address following a link loads.
struct LinkVerdicts {
  std::unordered_map<std::string, std::size_t> number_of;  // by the address loaded
  std::vector<LinkVerdict> verdicts;                       // by number

  const LinkVerdict& of(std::string_view target) const {
    return verdicts[number_of.at(normalize_url(target).address)];
  }
};

// The verdicts on a page's links: from the cache when it holds a fresh one,
// else retrieved, side by side, and kept in the cache.
LinkVerdicts check_links(std::string_view body, const CheckOptions& options, LinkCache& cache,
                         Console& console) {
  LinkVerdicts links;
  std::unordered_map<std::string, std::size_t> number_of_canonical;
  std::vector<std::string> addresses;
  each_link(body, [&](std::size_t /*line*/, std::string_view target) {
    std::string loaded = normalize_url(target).address;
    if (links.number_of.contains(loaded)) return;
    std::string canonical = canonical_or_given(loaded);
    const auto [known, added] = number_of_canonical.emplace(canonical, addresses.size());
    if (added) addresses.push_back(std::move(canonical));
    links.number_of.emplace(std::move(loaded), known->second);
  });
  LinkProgress progress;
  if (console.mode.progress_on_error) {  // never into a file or a pipe
    progress = [&console](std::size_t done, std::size_t all) {
      show_status(console, message::checking_links(done, all));
      if (done == all) clear_status(console);
    };
  }
  links.verdicts.resize(addresses.size());
  std::vector<std::string> retrieved;
  std::vector<std::size_t> number_of_retrieved;
  for (std::size_t number = 0; number < addresses.size(); ++number) {
    if (std::optional<LinkVerdict> cached = fresh_verdict(cache, addresses[number])) {
      links.verdicts[number] = std::move(*cached);
    } else {
      retrieved.push_back(addresses[number]);
      number_of_retrieved.push_back(number);
    }
  }
  const std::vector<SideAnswer> answers =
      retrieve_links(retrieved, politeness_of(options), progress);
  for (std::size_t i = 0; i < answers.size(); ++i) {
    LinkVerdict& verdict = links.verdicts[number_of_retrieved[i]];
    verdict = verdict_of(answers[i]);
    if (!cache.path.empty()) remember(cache, retrieved[i], verdict);
  }
  return links;
}

// One page checked, and with --links its links retrieved first, so that each
// link that fails is said at its line among the page's own problems.
void check_one(const std::string& name, const ReadPage& page, const CheckOptions& options,
               LinkCache& cache, Console& console, Report& report) {
  report.flush();  // before a status line on standard error
  const std::optional<LinkVerdicts> links =
      options.links ? std::optional(check_links(page.body, options, cache, console)) : std::nullopt;
  report.begin_page(name);
  if (page.cut) report.problem({0, ProblemCode::page_over_cap, message::page_over_cap()});
  PageCheckSink sink{[&report](const PageProblem& problem) { report.problem(problem); }, {}};
  if (links) {
    sink.link = [&](std::size_t line, std::string_view target) {
      const LinkVerdict& verdict = links->of(target);
      if (!verdict.good()) report.link_problem(line, normalize_url(target).address, verdict);
    };
  }
  check_page(page.body, report.message_rule(), sink);
  report.end_page();
}

}  // namespace

int check_pages(const CheckOptions& options, Console& console) {
  std::ostream& out = console.out;
  Report report(out, options, console.mode.output_rule);
  LinkCache cache = load_cache(options, console);
  std::size_t pages = 0;
  bool unreadable = false;
  for (const std::string& name : options.names) {
    if (!out) break;  // what could be said can no longer be written
    const std::string& shown = name == "-" ? options.stdin_name : name;
    try {
      const ReadPage page = read_name(name, console.in);
      if (!page.failure) {
        check_one(shown, page, options, cache, console, report);
        ++pages;
      } else {
        say_failure(console, shown, *page.failure);
        unreadable = true;
      }
    } catch (const std::bad_alloc&) {
      // A page that does not fit is said as such; the next is still checked.
      report.flush();
      say_failure(console, shown, page_too_big);
      unreadable = true;
    }
    out.flush();
  }
  store_cache(cache, console);
  ReportEnd end;
  end.pages = pages;
  end.from_cache = cache.used;
  report.finish(end, options.format != ReportFormat::text);
  if (const std::optional<std::string> why = report.add_step_summary(options.step_summary))
    say_failure(console, options.step_summary, *why);
  return unreadable ? exit_status::unreadable : report.status(options.strict);
}
