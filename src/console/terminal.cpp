// Whether the run is at a terminal, and the terminal's state there: keys that
// wait unechoed while a page loads, Ctrl-C as a flag that the current work
// polls and takes, and Ctrl-Z and fatal signals that leave the terminal as
// the run found it.
#include "console/terminal.h"

#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <string_view>

#include "console/console.h"
#include "console/visible_text.h"

namespace {

volatile std::sig_atomic_t interrupt_pending = 0;
// A line that is erased when done (a load's status line, the pause) is on
// the screen: a signal that ends the run erases it first.
volatile std::sig_atomic_t passing_line_shown = 0;
bool terminal = false;
TextRule rule = TextRule::piped;
bool taken_since_asked = false;
termios found_mode{};  // the terminal as the run found it
termios quiet_mode{};  // between prompts: keys wait unechoed, Ctrl-C and Ctrl-Z still signal

extern "C" void note_interrupt(int /*signal*/) { interrupt_pending = 1; }

void set_mode(const termios& mode) { tcsetattr(STDIN_FILENO, TCSADRAIN, &mode); }

void handle(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

// Leaves the terminal as the run found it and lets `signal` do what it does
// by default, here and now; returns if the run goes on after it (a stop).
void act_as_default(int signal) {
  if (passing_line_shown != 0) {
    constexpr std::string_view erase = "\r\033[K";
    (void)!write(STDOUT_FILENO, erase.data(), erase.size());
  }
  set_mode(found_mode);
  handle(signal, SIG_DFL, 0);
  sigset_t just_this{};
  sigemptyset(&just_this);
  sigaddset(&just_this, signal);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  kill(getpid(), signal);
}

// Ctrl-Z, and a stop sent by another program: the terminal goes back to how
// the run found it while the run is stopped, and is set again when it goes on.
extern "C" void stop_with_terminal_restored(int signal) {
  const int saved_errno = errno;
  termios current{};
  tcgetattr(STDIN_FILENO, &current);
  act_as_default(signal);  // stopped here until the shell's fg
  handle(signal, stop_with_terminal_restored, SA_RESTART);
  set_mode(current);
  errno = saved_errno;
}

// Any signal that ends the run (a hang-up, a request to end, an abort, an
// alarm...): the run ends as it would have, with the terminal as it was found.
extern "C" void end_with_terminal_restored(int signal) { act_as_default(signal); }

// Whether `signal` does what it does by default. A run started with a signal
// ignored (in the background, say) keeps it so, and one that something else
// handles (a sanitizer reporting a fault) is left to it.
bool left_to_default(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL;
}

// Every signal whose default action ends the process, but Ctrl-C's, which
// the run handles apart, and those no handler can catch.
void restore_terminal_on_ending_signals() {
  for (int signal : {SIGHUP,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                     SIGUSR1, SIGSEGV, SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT,
                     SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS})
    if (left_to_default(signal)) handle(signal, end_with_terminal_restored, 0);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    if (left_to_default(signal)) handle(signal, end_with_terminal_restored, 0);
}

}  // namespace

void start_console() {
  terminal = isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
  if (!terminal) return;
  // The editor measures what is typed, and network text is fitted to what
  // the terminal shows, in the terminal's own encoding.
  std::setlocale(LC_CTYPE, "");
  rule = std::string_view(nl_langinfo(CODESET)) == "UTF-8" ? TextRule::utf8 : TextRule::eight_bit;
  tcgetattr(STDIN_FILENO, &found_mode);
  quiet_mode = found_mode;
  quiet_mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
  quiet_mode.c_cc[VMIN] = 1;
  quiet_mode.c_cc[VTIME] = 0;
  // Output must not break off: SA_RESTART.
  if (left_to_default(SIGINT)) handle(SIGINT, note_interrupt, SA_RESTART);
  if (left_to_default(SIGTSTP)) handle(SIGTSTP, stop_with_terminal_restored, SA_RESTART);
  restore_terminal_on_ending_signals();
  start_line_editor();
  set_mode(quiet_mode);
}

void stop_console() {
  if (!terminal) return;
  stop_line_editor();
  set_mode(found_mode);
}

void keep_keys_waiting() { set_mode(quiet_mode); }

int read_key() {
  termios keys = quiet_mode;
  keys.c_lflag &= ~static_cast<tcflag_t>(ISIG);  // Ctrl-C and Ctrl-Z arrive as keys
  set_mode(keys);
  unsigned char key = 0;
  ssize_t got = 0;
  do {
    got = read(STDIN_FILENO, &key, 1);
  } while (got < 0 && errno == EINTR);
  set_mode(quiet_mode);
  return got == 1 ? key : -1;
}

void note_interrupt_key() { taken_since_asked = true; }

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

void note_passing_line(bool shown) { passing_line_shown = shown ? 1 : 0; }

void suspend_run() { kill(0, SIGTSTP); }  // the whole job stops, as the terminal would have it
