// Runs the real browser binary as a user would: arguments, standard input
// from a string, standard output and error captured apart.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <string>
#include <string_view>
#include <vector>

struct ProgramRun {
  std::string out;
  std::string err;
  bool exited = false;  // ended by exit(), not by a signal or the time limit
  int status = -1;      // exit status when exited
  long peak_memory_kb = 0;
  double cpu_seconds = 0;  // user and system
};

// Limits for the browser's process; 0 leaves one as it is.
struct Limits {
  int descriptors = 0;        // open files
  long address_space_kb = 0;  // as ulimit -v sets it
  // Where standard output goes instead of to the test: /dev/full, where every
  // write fails, or a pipe whose reader has gone, with SIGPIPE ignored.
  enum class Output { captured, full_disk, closed_pipe } output = Output::captured;
  // And where it runs: its current folder, when not empty, and more variables.
  std::string folder = {};
  std::vector<std::pair<std::string, std::string>> environment = {};
};

// Runs the browser with `args` after its name, feeding `input` and closing its
// standard input. A run past `seconds` is killed and reported as not exited.
ProgramRun run_browser(const std::vector<std::string>& args, const std::string& input,
                       int seconds = 120, const Limits& limits = {});

// The pseudo-terminal a live run has.
struct Screen {
  int rows = 24;
  int columns = 80;
  std::string locale;                                                 // LC_ALL, when not empty
  std::string term = "xterm";                                         // TERM
  std::vector<std::pair<std::string, std::string>> environment = {};  // more variables
  std::string folder = {};  // the current folder, when not empty
};

// The folder every run gets as its HOME, the tests' own, removed when they
// end; XDG_DATA_HOME, XDG_STATE_HOME and LINEBROWSE_HISTORY are unset.
const std::string& test_home();

// A run of the browser driven step by step, as a person would: at a pseudo-
// terminal (TERM=xterm unless the screen says), started from a shell with job control at one, or
// through pipes for the same keys piped; or with a terminal on one side only,
// keys typed at it and the output piped, or keys piped and the output on it.
class LiveRun {
 public:
  // all_at_terminal: standard error at the terminal too, and `errors` empty.
  enum class Input {
    terminal,
    shell,
    pipes,
    keys_at_terminal,
    output_at_terminal,
    all_at_terminal
  };
  static constexpr int not_ended = -1;
  // With Input::shell the status is the shell's, which ends with the browser.
  LiveRun(const std::vector<std::string>& args, Input input, const Screen& screen = {});
  ~LiveRun();
  LiveRun(const LiveRun&) = delete;
  LiveRun& operator=(const LiveRun&) = delete;

  void type(std::string_view keys);
  // A signal (SIGINT, as Ctrl-C sends it, by default); never to a pid of 0
  // or below.
  void interrupt(int signal = SIGINT);
  // At a terminal: whether it echoes keys and edits lines, as a shell leaves it.
  bool terminal_cooked() const;
  // At a terminal: waits until keys are no longer echoed nor gathered into
  // lines by the terminal itself, as a program that reads keys sets it.
  bool terminal_taken(int seconds = 10) const;
  // Waits until the browser sleeps in a write to a pipe that nobody reads,
  // as the kernel's wait channel tells.
  bool blocked_writing(int seconds = 10) const;
  // Waits until no signal sent to the browser is still to be delivered.
  bool signals_delivered(int seconds = 10) const;
  // At a terminal: a new window size, as a person resizing the window makes.
  void resize(int rows, int columns);
  // Waits until the output after the last text found shows `text`.
  bool shows(std::string_view text, int seconds = 10);
  // Reads to the end and returns the exit status (128 + signal when killed
  // by one), or not_ended when the browser is still running after `seconds`.
  int finish(int seconds = 10);

  std::string output;  // from the terminal or standard output; may be trimmed
  std::string errors;  // standard error, read by finish()

 private:
  bool read_for(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  int errors_ = -1;
  int status_ = not_ended;
  std::size_t seen_ = 0;
};
