// The console of one run: whether it is a terminal, and setting the terminal
// up for the run and back at its end.
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string_view>

#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/terminal.h"
#include "console/word_input.h"

namespace {

// Text is fitted to what the terminal shows, in the locale's encoding.
TextRule terminal_rule() {
  std::setlocale(LC_CTYPE, "");
  return std::string_view(nl_langinfo(CODESET)) == "UTF-8" ? TextRule::utf8 : TextRule::eight_bit;
}

}  // namespace

ConsoleState& console() {
  static ConsoleState state;
  return state;
}

void start_console() {
  ConsoleState& state = console();
  state.terminal = isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
  if (!state.terminal) return;
  // The editor measures what is typed, and network text is fitted to what
  // the terminal shows, in the terminal's own encoding.
  state.rule = terminal_rule();
  // A terminal that cannot move the cursor, or a screen reader on one: the
  // line editor then writes no escape sequence either.
  const char* term = std::getenv("TERM");
  state.dumb = term == nullptr || *term == '\0' || std::string_view(term) == "dumb";
  take_over_terminal();
  catch_ctrl_c();
  start_line_editor();
  keep_keys_waiting();
}

void start_output_console() {
  ConsoleState& state = console();
  if (isatty(STDOUT_FILENO) == 1) state.rule = terminal_rule();
}

void stop_console() {
  if (!console().terminal) return;
  stop_line_editor();
  give_back_terminal();
}

bool at_terminal() { return console().terminal; }
