// Whether the run is at a terminal, and Ctrl-C there: a flag that the current
// work polls and takes, instead of the end of the session.
#include "console/terminal.h"

#include <unistd.h>

#include <clocale>
#include <csignal>

#include "console/console.h"

namespace {

volatile std::sig_atomic_t interrupt_pending = 0;
bool terminal = false;
bool catching = false;  // false too when the run began with Ctrl-C ignored
bool taken_since_asked = false;

extern "C" void note_interrupt(int /*signal*/) { interrupt_pending = 1; }

}  // namespace

void let_interrupts_end_reads(bool end_reads) {
  if (!catching) return;
  struct sigaction action {};
  action.sa_handler = note_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = end_reads ? 0 : SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

void start_console() {
  terminal = isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
  if (!terminal) return;
  // The editor measures what is typed in the terminal's own encoding.
  std::setlocale(LC_CTYPE, "");
  // A run started with Ctrl-C ignored (in the background, say) keeps it so.
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  catching = current.sa_handler != SIG_IGN;
  let_interrupts_end_reads(false);
  start_line_editor();
}

bool at_terminal() { return terminal; }

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
