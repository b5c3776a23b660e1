// Start-up: what the command line asks for, the run's mode and the person's
// files decided once from it and the environment, its console built on that,
// and then the run: the browser, --dump, or the check.
#include <cstdlib>
#include <optional>
#include <string_view>

#include "base/exit_status.h"
#include "base/messages.h"
#include "base/user_files.h"
#include "browser/browser.h"
#include "check/check.h"
#include "run/command_line.h"
#include "run/run.h"

namespace {

// The part of the usage that is the author's check.
void print_check_usage(std::ostream& out) {
  out << "--check reports every problem of each page (a file, - for standard input, or an\n"
         "address) as NAME:LINE: error|warning: MESSAGE [CODE], and with --links also the\n"
         "links that fail, each at its line, then one summary line; a clean run prints\n"
         "nothing. --list-codes lists the codes, one kind of problem each. --lsp serves\n"
         "an editor the same as a language server on standard input and output.\n"
         "Status 0 without errors, 1 with errors (--strict: or warnings), 2 when a NAME\n"
         "cannot be read. --stdin-name NAME reports the page read from - under NAME;\n"
         "-- ends the options. REPORT is --strict, --format text|json|github|sarif (JSON\n"
         "Lines, GitHub workflow annotations, with a Markdown table added to the file\n"
         "GITHUB_STEP_SUMMARY names, or one SARIF 2.1.0 log), --max-problems N: at most N\n"
         "problems written for a page ("
      << CheckOptions{}.max_problems
      << "; 0 for all; SARIF: all), all of them counted,\n"
         "--ignore CODE (repeatable): a kind left out of the report and the status, and\n"
         "--config FILE: the options in a TOML file, by default linebrowse.toml here\n"
         "when there is one; the command line wins over it.\n"
         "LINKS, for links to other sites: --host-concurrency N (2) retrievals at once\n"
         "for one host, --retries N (2) for a busy server (429, 502, 503, 504, a reset\n"
         "connection), as its Retry-After asks up to 60 s, --cache FILE keeps verdicts\n"
         "between runs, and --cache-age AGE (1d; s, m, h, d, w) is how long good ones\n"
         "hold.\n"
         "--site checks every page reachable from ADDRESS on the same scheme, host and\n"
         "port and every link on them (pages of other sites are retrieved, not followed),\n"
         "page by page in the order reached, then a summary line; --max-pages N ("
      << CheckOptions{}.max_pages
      << ")\n"
         "bounds the pages read, and Ctrl-C stops it with what was checked (status 1).\n"
         "CRAWL is --max-pages N, --root DIR (the pages under the folder of ADDRESS read\n"
         "from DIR, as the server will serve them), --offline (nothing retrieved over\n"
         "the network), --exclude REGEX (POSIX extended, no back-references: addresses\n"
         "neither retrieved nor followed; repeatable) and --max-depth N (pages at most\n"
         "N links from ADDRESS). Each limit's summary counts what it left out.\n";
}

void print_usage(std::ostream& out) {
  out << "Usage: linebrowse [ADDRESS]\n"
         "       linebrowse --dump ADDRESS\n"
         "       linebrowse --check [--links [LINKS]] [--stdin-name NAME] [REPORT] NAME...\n"
         "       linebrowse --check --site [CRAWL] [LINKS] [REPORT] ADDRESS\n"
         "       linebrowse --lsp\n"
         "       linebrowse -h | --help | -V | --version | --list-codes\n"
         "Shows the line-record page at ADDRESS (asking for one when it is not given),\n"
         "then reads commands, several to a line if you like:\n"
      << command_list
      << "At a terminal other words are refused, lines can be edited and recalled with\n"
         "the arrow keys, Ctrl-C stops a retrieval or a display or takes back a g, and\n"
         "a load that brings no page keeps the page you are on (STAYING ON).\n"
         "Read from a pipe or a file, any other word ends the run, as the end of input does.\n"
         "--dump writes the page's title and rows and ends: status 0 when it came whole\n"
         "with a 2xx status, else 1 with the reason on standard error.\n";
  print_check_usage(out);
  out << "A write to standard output that fails ends any run with status 1.\n"
         "More in the manual: man -l doc/linebrowse.1 in a checkout; once installed, man "
         "linebrowse\n"
      << std::flush;
}

// The address on the command line as typed, or the file:// address of a path.
std::string as_given(const std::string& address) {
  return local_file_address(address).value_or(address);
}

// The mode of the run, decided here and only here.
RunMode mode_for(const CommandLine& command) {
  switch (command.run) {
    case CommandLine::Run::dialogue:
      return dialogue_mode();
    case CommandLine::Run::check:
      return writing_mode(command.check.links);
    case CommandLine::Run::check_site:
      return writing_mode(true, true);
    default:
      return writing_mode(false);
  }
}

int run(const CommandLine& command, Console& console, const UserFiles& files) {
  switch (command.run) {
    case CommandLine::Run::dialogue:
      return browse(command.address.empty() ? "" : as_given(command.address), console, files);
    case CommandLine::Run::help:
      print_usage(console.out);
      return exit_status::ok;
    case CommandLine::Run::version:
      console.out << "linebrowse " LINEBROWSE_VERSION "\n" << std::flush;
      return exit_status::ok;
    case CommandLine::Run::list_codes:
      console.out << list_of_codes() << std::flush;
      return exit_status::ok;
    case CommandLine::Run::language_server:
      return serve_language(console);
    case CommandLine::Run::dump:
      return dump_page(as_given(command.address), console);
    case CommandLine::Run::check:
      return check_pages(command.check, console);
    case CommandLine::Run::check_site:
      return check_site(command.check, console);
    case CommandLine::Run::wrong:
      break;
  }
  say_on_error(console, command.wrong);
  console.err << message::try_help << std::flush;
  return exit_status::usage;
}

}  // namespace

// A write to standard output that fails ends every kind of run with status 1
// and the system's reason, as a failure and never as success.
int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out,
             std::ostream& err) {
  WatchedOutput watched(out);
  CommandLine command = read_command_line(argc, argv);
  if (const char* summary = std::getenv("GITHUB_STEP_SUMMARY"))
    command.check.step_summary = summary;
  const UserFiles files = user_files();
  Console console(mode_for(command), in, watched.stream(), err, files.history);
  const int status = run(command, console, files);
  if (const std::optional<std::string> failure = watched.failure()) {
    say_on_error(console, message::write_error + *failure);
    return exit_status::failed;
  }
  return status;
}
