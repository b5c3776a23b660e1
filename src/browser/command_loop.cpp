// The command prompt: a row number follows that row's link; single letters
// redisplay, reload, go back, go to a typed address or exit. At a terminal
// the loop forgives: help and quit as people type them, and other words are
// refused instead of ending the session.
#include <algorithm>
#include <new>

#include "base/ascii.h"
#include "base/messages.h"
#include "browser/bookmarks.h"
#include "browser/loading.h"
#include "browser/navigation.h"

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
    "  a       add the page to the bookmarks\n"
    "  m       show the bookmarks, as a page of links\n"
    "  -N      while they are shown, remove row N's bookmark\n"
    "  /TEXT   show the rows whose label holds TEXT, in any case; / repeats\n"
    "  ?       list these commands (also h or help)\n"
    "  ADDRESS http://HOST:PORT/PATH, with http:// put in front when it is left\n"
    "          out; at a terminal also a page on disk: a path that starts with /,\n"
    "          ./, ../ or ~/, or file:///PATH\n"
    "  At the pause of a long page (-- MORE):\n"
    "  /TEXT   go to the next row that holds TEXT, marked; n the next, N the\n"
    "          one before, G the end, h the keys; case counts when TEXT has a\n"
    "          capital\n";

namespace {

bool all_digits(const std::string& word) { return std::all_of(word.begin(), word.end(), is_digit); }

// Through pipes the records go before the next address is made, since a page
// that filled the memory leaves no room for it; at a terminal the page stays
// until another arrives.
void forget_records_when_piped(PageModel& page, const Console& console) {
  if (!console.mode.terminal) clear_records(page);
}

void follow_link(const std::string& word, NavigationState& nav, PageModel& page, Console& console) {
  auto number = record_number(word);
  std::string target = number ? link_target(page, *number) : std::string();
  if (target.empty()) {
    say(console, message::invalid_link);
    return;
  }
  forget_records_when_piped(page, console);
  follow_link_to(nav, normalized_address(target, console), page, console);
}

void go_back_if_possible(NavigationState& nav, PageModel& page, Console& console) {
  if (console.mode.terminal && nav.previous_url.empty()) {
    say(console, message::no_page_to_go_back_to);
    return;
  }
  forget_records_when_piped(page, console);
  go_back(nav, page, console);
}

// Whether `word` is one of `names` (written in lower case), in any case.
bool is_one_of(const std::string& word, std::initializer_list<std::string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [&word](std::string_view name) { return equals_ignoring_case(word, name); });
}

// A word that is no command, at a terminal: said, and the rest of its line
// dropped, since what follows a slip was meant to go with it.
void refuse(const std::string& word, Console& console) {
  std::string line(message::unknown_command);
  append_visible(line, word, console.mode.output_rule);
  say(console, line + std::string(message::lists_the_commands_after));
  drop_waiting_words(console);
}

// Where the page came from, and where b goes back to.
void say_where(const NavigationState& nav, Console& console) {
  say(console, message::at, nav.current_url);
  if (!nav.previous_url.empty()) say(console, message::back_to, nav.previous_url);
}

// `word` is / and the rest of its line: the text to find, or nothing to look
// for the text of the last search again, on whichever page is shown now.
void search(const std::string& word, std::string& last_search, const PageModel& page,
            Console& console) {
  if (word.size() > 1) last_search = word.substr(1);
  if (last_search.empty()) {
    say(console, message::no_search_to_repeat);
    return;
  }
  display_matching_rows(page, last_search, console);
}

// What the command loop keeps between commands beside the page.
struct Session {
  std::string last_search;
  const UserFiles& files;
};

// Carries out one command word; false when it ends the run.
bool carry_out(const std::string& word, NavigationState& nav, PageModel& page, Session& session,
               Console& console) {
  const bool terminal = console.mode.terminal;
  if (!word.empty() && is_digit(word[0]) && (all_digits(word) || !terminal)) {
    follow_link(word, nav, page, console);  // through pipes the leading digits count: 12abc is 12
  } else if (is_one_of(word, {"x"}) || (terminal && is_one_of(word, {"q", "quit", "exit"}))) {
    say(console, message::exiting);
    return false;
  } else if (is_one_of(word, {"d"})) {
    display_page(page, rows_shown(console.mode), console);
  } else if (is_one_of(word, {"r"})) {
    forget_records_when_piped(page, console);
    reload(nav, page, console);
  } else if (is_one_of(word, {"b"})) {
    go_back_if_possible(nav, page, console);
  } else if (is_one_of(word, {"g"})) {
    Answer address = prompt_url(console);
    if (address.kind != Answer::typed) return true;  // Ctrl-C or Ctrl-D takes the go-to back
    go_to_address(nav, std::move(address.word), page, console, address.as_typed);
  } else if (!terminal) {
    return false;  // through pipes any other word ends the run, as scripts expect
  } else if (is_one_of(word, {"l"})) {
    display_links(page, console);
  } else if (is_one_of(word, {"u"})) {
    say_where(nav, console);
  } else if (is_one_of(word, {"a"})) {
    add_bookmark(nav, page, console, session.files.bookmarks);
  } else if (is_one_of(word, {"m"})) {
    show_bookmarks(nav, page, console, session.files.bookmarks);
  } else if (word.size() > 1 && word.starts_with('-') && all_digits(word.substr(1))) {
    const std::optional<std::int32_t> row = record_number(std::string_view(word).substr(1));
    if (row)
      remove_bookmark(nav, page, console, session.files.bookmarks, *row);
    else
      say(console, message::no_bookmark_on_row, std::string_view(word).substr(1));
  } else if (word.starts_with('/')) {
    search(word, session.last_search, page, console);
  } else if (is_one_of(word, {"?", "h", "help"})) {
    display_text(command_list, console);
  } else {
    refuse(word, console);
  }
  return true;
}

}  // namespace

// A page that ran out of memory holds what there was until the next load
// empties it, so a command may find none left. It is then given up and said
// as a page that cannot be decoded is; the run goes on.
void command_loop(NavigationState& nav, PageModel& page, Console& console, const UserFiles& files) {
  Session session{{}, files};
  while (console.out) {  // output that can no longer be written ends the run, which says why
    try {
      const Answer answer = prompt_word(console, message::command_prompt, Recall::commands);
      if (answer.kind == Answer::cancelled) continue;
      if (answer.kind == Answer::ended || !carry_out(answer.word, nav, page, session, console))
        return;
    } catch (const std::bad_alloc&) {
      say_decoding_error({}, console);
    }
  }
}
