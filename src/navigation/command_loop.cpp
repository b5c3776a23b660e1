// The command prompt: a row number follows that row's link; single letters
// redisplay, reload, go back, go to a typed address or exit. At a terminal
// the loop forgives: help and quit as people type them, and other words are
// refused instead of ending the session.
#include <algorithm>
#include <new>

#include "console/console.h"
#include "navigation/navigation.h"
#include "web/web.h"

const std::string_view command_list =
    "  NUMBER  follow the link of that row\n"
    "  d       show the page again\n"
    "  r       reload the page\n"
    "  b       go back to the page the last link was followed from\n"
    "  g       go to an address typed at the prompt\n"
    "  x       exit (at a terminal also q, quit or exit)\n"
    "  At a terminal only:\n"
    "  l       list the links, each with the address it loads\n"
    "  u       show the page's address, and the one b goes back to\n"
    "  /TEXT   show the rows whose label holds TEXT, in any case; / repeats\n"
    "  ?       list these commands (also h or help)\n";

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_digits(const std::string& word) { return std::all_of(word.begin(), word.end(), is_digit); }

// Through pipes the records go before the next address is made, since a page
// that filled the memory leaves no room for it; at a terminal the page stays
// until another arrives.
void forget_records_when_piped(PageModel& page) {
  if (!at_terminal()) clear_records(page);
}

void follow_link(const std::string& word, NavigationState& nav, PageModel& page,
                 std::ostream& out) {
  auto number = record_number(word);
  std::string target = number ? link_target(page, *number) : std::string();
  if (target.empty()) {
    out << "INVALID LINK\n" << std::flush;
    return;
  }
  forget_records_when_piped(page);
  std::string next_url = normalize_url(target, out);
  go_to(nav, {std::move(next_url), nav.current_url}, page, out);
}

void go_back(NavigationState& nav, PageModel& page, std::ostream& out) {
  if (at_terminal() && nav.previous_url.empty()) {
    out << "NO PAGE TO GO BACK TO\n" << std::flush;
    return;
  }
  forget_records_when_piped(page);
  go_to(nav, {nav.previous_url, nav.previous_url}, page, out);
}

// Whether `word` is one of `names` (written in lower case), in any case.
bool is_one_of(const std::string& word, std::initializer_list<std::string_view> names) {
  return std::any_of(names.begin(), names.end(), [&word](std::string_view name) {
    return std::equal(word.begin(), word.end(), name.begin(), name.end(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; });
  });
}

// A word that is no command, at a terminal: said, and the rest of its line
// dropped, since what follows a slip was meant to go with it.
void refuse(const std::string& word, std::ostream& out) {
  std::string line = "UNKNOWN COMMAND: ";
  append_visible(line, word);
  out << line << " (? LISTS THE COMMANDS)\n" << std::flush;
  drop_waiting_words();
}

// Where the page came from, and where b goes back to.
void say_where(const NavigationState& nav, std::ostream& out) {
  std::string lines = "AT ";
  append_visible(lines, nav.current_url);
  if (!nav.previous_url.empty()) {
    lines += "\nBACK TO ";
    append_visible(lines, nav.previous_url);
  }
  out << lines << '\n' << std::flush;
}

// `word` is / and the rest of its line: the text to find, or nothing to look
// for the text of the last search again, on whichever page is shown now.
void search(const std::string& word, std::string& last_search, const PageModel& page,
            std::ostream& out) {
  if (word.size() > 1) last_search = word.substr(1);
  if (last_search.empty()) {
    out << "NO SEARCH TO REPEAT (/TEXT FINDS ROWS)\n" << std::flush;
    return;
  }
  display_matching_rows(page, last_search, out);
}

// Carries out one command word; false when it ends the run.
bool carry_out(const std::string& word, NavigationState& nav, PageModel& page,
               std::string& last_search, std::istream& in, std::ostream& out) {
  if (!word.empty() && is_digit(word[0]) && (all_digits(word) || !at_terminal())) {
    follow_link(word, nav, page, out);  // through pipes the leading digits count: 12abc is 12
  } else if (is_one_of(word, {"x"}) || (at_terminal() && is_one_of(word, {"q", "quit", "exit"}))) {
    out << "EXITING\n" << std::flush;
    return false;
  } else if (is_one_of(word, {"d"})) {
    display_page(page, out);
  } else if (is_one_of(word, {"r"})) {
    forget_records_when_piped(page);
    go_to(nav, nav, page, out);
  } else if (is_one_of(word, {"b"})) {
    go_back(nav, page, out);
  } else if (is_one_of(word, {"g"})) {
    const Answer address = prompt_url(in, out);
    if (address.kind != Answer::typed) return true;  // Ctrl-C or Ctrl-D takes the go-to back
    go_to(nav, {address.word, nav.previous_url}, page, out);
  } else if (!at_terminal()) {
    return false;  // through pipes any other word ends the run, as scripts expect
  } else if (is_one_of(word, {"l"})) {
    display_links(page, append_followed_address, out);
  } else if (is_one_of(word, {"u"})) {
    say_where(nav, out);
  } else if (word.starts_with('/')) {
    search(word, last_search, page, out);
  } else if (is_one_of(word, {"?", "h", "help"})) {
    out << command_list << std::flush;
  } else {
    refuse(word, out);
  }
  return true;
}

}  // namespace

// A page that ran out of memory holds what there was until the next load
// empties it, so a command may find none left. It is then given up and said
// as a page that cannot be decoded is; the run goes on.
void command_loop(NavigationState& nav, PageModel& page, std::istream& in, std::ostream& out) {
  std::string last_search;
  for (;;) {
    try {
      const Answer answer =
          prompt_word("Enter line number or command: ", Recall::commands, in, out);
      if (answer.kind == Answer::cancelled) continue;
      if (answer.kind == Answer::ended || !carry_out(answer.word, nav, page, last_search, in, out))
        return;
    } catch (const std::bad_alloc&) {
      out << "ERROR DECODING PAGE\n" << std::flush;
    }
  }
}
