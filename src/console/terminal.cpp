// The terminal at a run's disposal: the quiet mode in which keys wait
// unechoed between prompts, keys read one at a time, its size, and Ctrl-Z and
// the signals that end the run, which leave it as the run found it.
#include "console/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <string_view>

namespace {

// What the handlers of signals that stop or end the run need: the one flag
// they read as the loop writes it, and what is set before they are installed.
struct ForEndingSignals {
  volatile std::sig_atomic_t passing_line_shown = 0;  // a status line or the pause shows
  int screen_descriptor = STDOUT_FILENO;              // where it shows
  bool terminal_taken = false;                        // found_mode is to be put back
  termios found_mode{};
};
ForEndingSignals for_signals;

void set_mode(const termios& mode) { tcsetattr(STDIN_FILENO, TCSADRAIN, &mode); }

// Leaves the terminal as the run found it, a passing line erased, and lets
// `signal` do what it does by default, here and now; returns if the run goes
// on after it (a stop).
void act_as_default(int signal) {
  if (for_signals.passing_line_shown != 0) {
    constexpr std::string_view erase = "\r\033[K";
    (void)!write(for_signals.screen_descriptor, erase.data(), erase.size());
  }
  if (for_signals.terminal_taken) set_mode(for_signals.found_mode);
  handle_signal(signal, SIG_DFL, 0);
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
  handle_signal(signal, stop_with_terminal_restored, SA_RESTART);
  set_mode(current);
  errno = saved_errno;
}

// Any signal that ends the run (a hang-up, a request to end, an abort, an
// alarm...): the run ends as it would have, with the terminal as it was found.
extern "C" void end_with_terminal_restored(int signal) { act_as_default(signal); }

// Every signal whose default action ends the process, but Ctrl-C's, which
// the run handles apart, and those no handler can catch.
void restore_terminal_on_ending_signals() {
  for (int signal : {SIGHUP,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                     SIGUSR1, SIGSEGV, SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT,
                     SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS})
    if (left_to_default(signal)) handle_signal(signal, end_with_terminal_restored, 0);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    if (left_to_default(signal)) handle_signal(signal, end_with_terminal_restored, 0);
}

}  // namespace

void handle_signal(int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, nullptr);
}

bool left_to_default(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return (current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL;
}

void take_over_terminal(ConsoleState& state) {
  tcgetattr(STDIN_FILENO, &state.found_mode);
  for_signals.found_mode = state.found_mode;
  for_signals.terminal_taken = true;
  state.quiet_mode = state.found_mode;
  state.quiet_mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
  state.quiet_mode.c_cc[VMIN] = 1;
  state.quiet_mode.c_cc[VTIME] = 0;
  if (left_to_default(SIGTSTP)) handle_signal(SIGTSTP, stop_with_terminal_restored, SA_RESTART);
  restore_terminal_on_ending_signals();
}

void erase_passing_line_on_ending_signals(int descriptor) {
  for_signals.screen_descriptor = descriptor;
  restore_terminal_on_ending_signals();
}

void end_run_on(int signal) { handle_signal(signal, end_with_terminal_restored, 0); }

void end_run_now(int signal) { act_as_default(signal); }

void give_back_terminal(const ConsoleState& state) { set_mode(state.found_mode); }

void keep_keys_waiting(const ConsoleState& state) { set_mode(state.quiet_mode); }

namespace {

// One byte from the terminal; -1 at the end of input, or when `wait_ms` is
// not negative and nothing comes within it.
int read_byte(int wait_ms) {
  if (wait_ms >= 0) {
    pollfd ready{STDIN_FILENO, POLLIN, 0};
    if (poll(&ready, 1, wait_ms) != 1) return -1;
  }
  unsigned char byte = 0;
  ssize_t got = 0;
  do {
    got = read(STDIN_FILENO, &byte, 1);
  } while (got < 0 && errno == EINTR);
  return got == 1 ? byte : -1;
}

// A key's escape sequence comes at once; a lone Esc is followed by nothing.
constexpr int sequence_wait_ms = 50;

}  // namespace

void listen_for_keys(const ConsoleState& state) {
  termios keys = state.quiet_mode;
  keys.c_lflag &= ~static_cast<tcflag_t>(ISIG);
  set_mode(keys);
}

std::string read_key() {
  std::string key;
  int byte = read_byte(-1);
  if (byte >= 0) key += static_cast<char>(byte);
  if (byte == 0x1b && (byte = read_byte(sequence_wait_ms)) >= 0) {
    key += static_cast<char>(byte);
    if (byte == '[') {  // parameters and intermediates, up to the final byte
      while ((byte = read_byte(sequence_wait_ms)) >= 0) {
        key += static_cast<char>(byte);
        if (byte >= 0x40 && byte <= 0x7e) break;
      }
    } else if (byte == 'O' && (byte = read_byte(sequence_wait_ms)) >= 0) {
      key += static_cast<char>(byte);
    }
  }
  return key;
}

void save_keys_typed_ahead(ConsoleState& state) {
  pollfd waiting{STDIN_FILENO, POLLIN, 0};
  std::array<char, 256> keys{};
  while (poll(&waiting, 1, 0) == 1 && (waiting.revents & POLLIN) != 0) {
    const ssize_t got = read(STDIN_FILENO, keys.data(), keys.size());
    if (got <= 0) break;
    state.typed_ahead.append(keys.data(), static_cast<std::size_t>(got));
  }
}

void drop_keys_typed() { tcflush(STDIN_FILENO, TCIFLUSH); }

void suspend_run() { kill(0, SIGTSTP); }  // the whole job stops, as the terminal would have it

void note_passing_line(bool shown) { for_signals.passing_line_shown = shown ? 1 : 0; }

// Read afresh each time, so that a resized terminal is measured as it is.
ScreenSize screen_size(const ConsoleState& state) {
  winsize size{};
  if (ioctl(state.screen_descriptor, TIOCGWINSZ, &size) != 0 || size.ws_row < 2 || size.ws_col < 8)
    return {};
  return {size.ws_row, size.ws_col};
}
