// --check --site: a whole site crawled from one address, each page reached on
// it checked as --check checks a page, each address its links name retrieved once.
#include <chrono>
#include <new>

#include "base/exit_status.h"
#include "base/messages.h"
#include "check/crawl.h"

namespace {

// How far the check has come, on standard error at a terminal; at most ten
// times a second, which is as often as it can be read.
struct Progress {
  Console& console;
  std::chrono::steady_clock::time_point shown{};

  void show(const Crawl& crawl) {
    const auto now = std::chrono::steady_clock::now();
    if (now - shown < std::chrono::milliseconds(100)) return;
    shown = now;
    show_status(console, message::checking_site(crawl.pages_checked,
                                                crawl.waiting_pages.size() + crawl.pages_retrieving,
                                                crawl.answered - crawl.pages_checked));
  }
};

// Sets the crawl at its start: the site, the folder with --root, the patterns
// left out, the start as the first page. Why the folder cannot be read, if
// it cannot.
std::optional<std::string> start_crawl(Crawl& crawl) {
  const CheckOptions& options = crawl.options;
  const std::string& start = options.names.front();
  crawl.site = site_of(start);
  const std::string canonical = canonical_or_given(start);
  if (!options.root.empty()) {
    std::string why;
    crawl.root = site_root(canonical, options.root, why);
    if (!crawl.root) return why;
  }
  for (const std::string& pattern : options.exclude) crawl.excluded_by.add(pattern);
  const std::size_t first = add_address(crawl, canonical);
  if (crawl.root) crawl.addresses[first].file = file_for(*crawl.root, canonical);
  if (const auto& file = crawl.addresses[first].file)
    crawl.page_of_file.emplace(file_identity(*crawl.root, *file), first);
  add_page(crawl, first, 0);
  return std::nullopt;
}

// Takes a status line off before a report line; a dumb terminal's one stays.
void before_writing(Console& console) {
  if (!console.mode.dumb) clear_status(console);
}

// Retrieves and checks until nothing is left or the crawl is asked to stop
// (Ctrl-C, or output that can no longer be written); whether it was.
bool crawl_until_done(Crawl& crawl, Report& report, Console& console) {
  Progress progress{console};
  const auto report_what_is_ready = [&] {
    number_links(crawl);
    report_ready(crawl, report, [&console] { before_writing(console); });
    if (console.mode.progress_on_error) progress.show(crawl);
  };
  const auto take_and_report = [&](std::size_t number, const SideAnswer& answer) {
    take_answer(crawl, number, answer);
    report_what_is_ready();
  };
  bool stop_asked = false;
  const auto asked_to_stop = [&] { return stop_asked || !console.out || take_ctrl_c(console); };
  // Files of the root are read here and now, and the cache's fresh verdicts
  // taken; only the rest goes to the retrieval side by side.
  const auto next_from_network = [&]() -> std::optional<Wanted> {
    for (std::optional<Wanted> wanted = next_wanted(crawl); wanted; wanted = next_wanted(crawl)) {
      const std::optional<RootFile>& file = crawl.addresses[wanted->id].file;
      std::optional<LinkVerdict> cached;
      if (file) {
        take_and_report(wanted->id, read_root_file(*crawl.root, *file));
      } else if (wanted->polite && (cached = fresh_verdict(crawl.cache, wanted->address))) {
        take_verdict(crawl, wanted->id, *cached);
        report_what_is_ready();
      } else {
        return wanted;
      }
      if ((stop_asked = asked_to_stop())) break;
    }
    return std::nullopt;
  };
  return !retrieve_side_by_side(
             {next_from_network, take_and_report, asked_to_stop, politeness_of(crawl.options)}) ||
         stop_asked;
}

// What is left to say once the crawl ended: the pages not yet reported when
// it was stopped, the summary, the pages too big. Returns the exit status.
int end_crawl(Crawl& crawl, Report& report, Console& console) {
  if (crawl.start_failure) {
    say_failure(console, crawl.options.names.front(), *crawl.start_failure);
    return exit_status::unreadable;
  }
  if (crawl.stopped) {
    number_links(crawl);
    report_ready(crawl, report, [&console] { before_writing(console); });
  }
  store_cache(crawl.cache, console);
  report.finish(end_of_report(crawl), true);
  if (const std::optional<std::string> why = report.add_step_summary(crawl.options.step_summary))
    say_failure(console, crawl.options.step_summary, *why);
  for (const std::size_t number : crawl.too_big)
    say_failure(console, crawl.addresses[number].address, page_too_big);
  if (crawl.stopped && console.out) {
    say_on_error(console, message::stopped_by_ctrl_c(crawl.addresses.size() - crawl.answered,
                                                     crawl.addresses.size()));
    return exit_status::failed;
  }
  return crawl.too_big.empty() ? report.status(crawl.options.strict) : exit_status::unreadable;
}

// The crawl, and its report. Returns the exit status.
int crawl_site(const CheckOptions& options, Console& console) {
  Report report(console.out, options, console.mode.output_rule);
  Crawl crawl{options, report.message_rule()};
  crawl.cache = load_cache(options, console);
  if (const std::optional<std::string> why = start_crawl(crawl)) {
    say_failure(console, options.root, *why);
    return exit_status::unreadable;
  }
  crawl.stopped = crawl_until_done(crawl, report, console);
  if (crawl.stopped) next_ctrl_c_ends_run(console);
  before_writing(console);
  return end_crawl(crawl, report, console);
}

}  // namespace

int check_site(const CheckOptions& options, Console& console) {
  CheckOptions normalized = options;
  normalized.names.front() = normalize_url(options.names.front()).address;
  try {
    return crawl_site(normalized, console);
  } catch (const std::bad_alloc&) {  // what the crawl holds of its addresses
    say_failure(console, normalized.names.front(), site_too_big);
    return exit_status::unreadable;
  }
}
