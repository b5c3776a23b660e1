// The command prompt: a row number follows that row's link; single letters
// redisplay, reload, go back, go to a typed address or exit. At a terminal
// the loop forgives: help and quit as people type them, and other words are
// refused instead of ending the session.
#include <algorithm>
#include <new>

#include "base/ascii.h"
#include "base/messages.h"
#include "navigation/loading.h"
#include "navigation/navigation.h"

const std::string_view command_list =
    "  NUMBER  follow the link of that row\n"
    "  d       show the page again\n"
    "  r       reload the page\n"
    "  b       go back to the page the last link was followed from (at a terminal,\n"
    "          back through every page a link or g left, in turn)\n"
    "  g       go to an address typed at the prompt\n"
    "  x       exit (at a terminal also q, quit or exit)\n"
    "  At a terminal only:\n"
    "  l       list the links, each with the address it loads\n"
    "  u       show the page's address, and the one b goes back to\n"
    "  /TEXT   show the rows whose label holds TEXT, in any case; / repeats\n"
    "  ?       list these commands (also h or help)\n";

namespace {

bool all_digits(const std::string& word) { return std::all_of(word.begin(), word.end(), is_digit); }

// Through pipes the records go before the next address is made, since a page
// that filled the memory leaves no room for it; at a terminal the page stays
// until another arrives.
void forget_records_when_piped(PageModel& page, const RunMode& mode) {
  if (!mode.terminal) clear_records(page);
}

void follow_link(const std::string& word, NavigationState& nav, PageModel& page,
                 const RunMode& mode, std::ostream& out) {
  auto number = record_number(word);
  std::string target = number ? link_target(page, *number) : std::string();
  if (target.empty()) {
    say(message::invalid_link, out);
    return;
  }
  forget_records_when_piped(page, mode);
  follow_link_to(nav, normalized_address(target, out), page, mode, out);
}

void go_back_if_possible(NavigationState& nav, PageModel& page, const RunMode& mode,
                         std::ostream& out) {
  if (mode.terminal && nav.previous_url.empty()) {
    say(message::no_page_to_go_back_to, out);
    return;
  }
  forget_records_when_piped(page, mode);
  go_back(nav, page, mode, out);
}

// Whether `word` is one of `names` (written in lower case), in any case.
bool is_one_of(const std::string& word, std::initializer_list<std::string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [&word](std::string_view name) { return equals_ignoring_case(word, name); });
}

// A word that is no command, at a terminal: said, and the rest of its line
// dropped, since what follows a slip was meant to go with it.
void refuse(const std::string& word, const RunMode& mode, std::ostream& out) {
  std::string line = "UNKNOWN COMMAND: ";
  append_visible(line, word, mode.output_rule);
  say(line + " (? LISTS THE COMMANDS)", out);
  drop_waiting_words();
}

// Where the page came from, and where b goes back to.
void say_where(const NavigationState& nav, const RunMode& mode, std::ostream& out) {
  std::string lines = "AT ";
  append_visible(lines, nav.current_url, mode.output_rule);
  if (!nav.previous_url.empty()) {
    lines += "\nBACK TO ";
    append_visible(lines, nav.previous_url, mode.output_rule);
  }
  say(lines, out);
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
               std::string& last_search, const RunMode& mode, std::istream& in, std::ostream& out) {
  const bool terminal = mode.terminal;
  if (!word.empty() && is_digit(word[0]) && (all_digits(word) || !terminal)) {
    follow_link(word, nav, page, mode, out);  // through pipes the leading digits count: 12abc is 12
  } else if (is_one_of(word, {"x"}) || (terminal && is_one_of(word, {"q", "quit", "exit"}))) {
    say(message::exiting, out);
    return false;
  } else if (is_one_of(word, {"d"})) {
    display_page(page, rows_shown(mode), out);
  } else if (is_one_of(word, {"r"})) {
    forget_records_when_piped(page, mode);
    reload(nav, page, mode, out);
  } else if (is_one_of(word, {"b"})) {
    go_back_if_possible(nav, page, mode, out);
  } else if (is_one_of(word, {"g"})) {
    Answer address = prompt_url(mode, in, out);
    if (address.kind != Answer::typed) return true;  // Ctrl-C or Ctrl-D takes the go-to back
    go_to_address(nav, std::move(address.word), page, mode, out);
  } else if (!terminal) {
    return false;  // through pipes any other word ends the run, as scripts expect
  } else if (is_one_of(word, {"l"})) {
    display_links(page, out);
  } else if (is_one_of(word, {"u"})) {
    say_where(nav, mode, out);
  } else if (word.starts_with('/')) {
    search(word, last_search, page, out);
  } else if (is_one_of(word, {"?", "h", "help"})) {
    out << command_list << std::flush;
  } else {
    refuse(word, mode, out);
  }
  return true;
}

}  // namespace

// A page that ran out of memory holds what there was until the next load
// empties it, so a command may find none left. It is then given up and said
// as a page that cannot be decoded is; the run goes on.
void command_loop(NavigationState& nav, PageModel& page, const RunMode& mode, std::istream& in,
                  std::ostream& out) {
  std::string last_search;
  while (out) {  // output that can no longer be written ends the run, which says why
    try {
      const Answer answer = prompt_word(message::command_prompt, Recall::commands, in, out);
      if (answer.kind == Answer::cancelled) continue;
      if (answer.kind == Answer::ended ||
          !carry_out(answer.word, nav, page, last_search, mode, in, out))
        return;
    } catch (const std::bad_alloc&) {
      say_decoding_error({}, mode, out);
    }
  }
}
