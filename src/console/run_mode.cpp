// How the run meets its user, decided once at start-up from what its
// standard streams are; every room above the console is handed the result.
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string_view>

#include "console/console.h"

namespace {

bool is_terminal(int descriptor) { return isatty(descriptor) == 1; }

// Text is fitted to what a terminal shows, in the locale's encoding.
TextRule terminal_rule() {
  std::setlocale(LC_CTYPE, "");
  return std::string_view(nl_langinfo(CODESET)) == "UTF-8" ? TextRule::utf8 : TextRule::eight_bit;
}

TextRule rule_of(int descriptor) {
  return is_terminal(descriptor) ? terminal_rule() : TextRule::piped;
}

// A terminal that cannot move the cursor, or a screen reader on one.
bool dumb_terminal() {
  const char* term = std::getenv("TERM");
  return term == nullptr || *term == '\0' || std::string_view(term) == "dumb";
}

}  // namespace

RunMode dialogue_mode() {
  RunMode mode;
  // A terminal on one side only is a script's: `linebrowse URL > page.txt`
  // must not write the pager's escapes into the file, nor wait for a key.
  mode.terminal = is_terminal(STDIN_FILENO) && is_terminal(STDOUT_FILENO);
  if (!mode.terminal) return mode;  // the dialogue through pipes: exactly as it always was
  mode.output_rule = terminal_rule();
  mode.error_rule = rule_of(STDERR_FILENO);
  mode.dumb = dumb_terminal();
  return mode;
}

RunMode writing_mode(bool with_progress, bool ctrl_c_stops) {
  RunMode mode;
  mode.ctrl_c_stops = ctrl_c_stops;
  mode.output_rule = rule_of(STDOUT_FILENO);
  mode.error_rule = rule_of(STDERR_FILENO);
  mode.progress_on_error = with_progress && is_terminal(STDERR_FILENO);
  mode.dumb = dumb_terminal();
  return mode;
}
