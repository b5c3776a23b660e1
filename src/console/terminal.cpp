// Whether the run is at a terminal, and Ctrl-C and Ctrl-Z there: Ctrl-C is a
// flag that the current work polls and takes, instead of the end of the
// session; Ctrl-Z leaves the terminal as the run found it.
#include "console/terminal.h"

#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <csignal>

#include "console/console.h"
#include "console/visible_text.h"

namespace {

volatile std::sig_atomic_t interrupt_pending = 0;
bool terminal = false;
TextRule rule = TextRule::piped;
bool taken_since_asked = false;
termios found_mode{};  // the terminal as the run found it

extern "C" void note_interrupt(int /*signal*/) { interrupt_pending = 1; }

}  // namespace

void start_console() {
  terminal = isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
  if (!terminal) return;
  tcgetattr(STDIN_FILENO, &found_mode);
  // The editor measures what is typed in the terminal's own encoding.
  std::setlocale(LC_CTYPE, "");
  // A run started with Ctrl-C ignored (in the background, say) keeps it so.
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  if (current.sa_handler != SIG_IGN) {
    struct sigaction action {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // output being written must not break off
    sigaction(SIGINT, &action, nullptr);
  }
  start_line_editor();
}

bool at_terminal() { return terminal; }

TextRule text_rule() { return rule; }

bool interrupt_requested() { return interrupt_pending != 0; }

bool take_interrupt() {
  if (interrupt_pending == 0) return false;
  interrupt_pending = 0;
  taken_since_asked = true;
  return true;
}

bool interrupted_since_last_asked() {
  const bool interrupted = take_interrupt() || taken_since_asked;
  taken_since_asked = false;
  return interrupted;
}

void suspend_run() {
  termios current{};
  tcgetattr(STDIN_FILENO, &current);
  tcsetattr(STDIN_FILENO, TCSADRAIN, &found_mode);
  kill(0, SIGTSTP);  // the whole job stops, as when the terminal sends it
  tcsetattr(STDIN_FILENO, TCSADRAIN, &current);
}
