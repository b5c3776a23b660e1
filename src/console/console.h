// The console: the one layer that touches the terminal, and what the rooms
// above it use of it. Its parts, each in a file of its own:
//   run_mode.cpp       how the run meets its user, decided once at start-up
//   watched_output.cpp standard output, and why a write to it failed
//   console_state.cpp  the console's one state record
//   session.cpp        the run's console set up from the mode, and put back
//   terminal.cpp       the terminal: modes, size, keys, Ctrl-Z and the signals that end a run
//   ctrl_c.cpp         Ctrl-C: who sets it, who takes it, and what taking it drops
//   screen_sums.cpp    the columns and lines text takes, and when the pager pauses
//   writer.cpp         writing: the buffer, one screenful at a time, the status line
//   word_input.cpp     words typed: the line editor, its histories, the prompts
// Through pipes and files only the words and the safe text do anything, so a
// piped dialogue stays exactly as it was.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "base/shown_text.h"
#include "console/writer.h"

// How the run meets its user: decided once, when it starts, from what
// standard input, output and error are, and handed down from there.
struct RunMode {
  // Standard input and output are both terminals: a person is at the
  // dialogue, with line editing, Ctrl-C, the pager and the status line.
  bool terminal = false;
  bool dumb = false;  // TERM=dumb there: no escape sequence is written, nothing rewritten
  // How network text is shown on standard output and on standard error,
  // each by what it is: a terminal in its locale's encoding, or a pipe.
  TextRule output_rule = TextRule::piped;
  TextRule error_rule = TextRule::piped;
  // A line that says how long work is getting on goes to standard error:
  // only for the runs that take no commands, and only when it is a terminal.
  bool progress_on_error = false;
  // Ctrl-C (SIGINT) stops the work, which then says what it did: for a run
  // whose report is worth having in part, wherever it goes.
  bool ctrl_c_stops = false;
};

// The mode of the dialogue, and of a run that only writes (--dump, --check):
// that one is never at a terminal, but shows text by what each stream is,
// and `with_progress` says how it is getting on when standard error is a
// terminal.
RunMode dialogue_mode();
RunMode writing_mode(bool with_progress, bool ctrl_c_stops = false);

// The console of one run, set up from its mode when it begins and put back
// when it ends. At a terminal, words are read through a line editor with
// history and Ctrl-C interrupts the current work; otherwise nothing changes.
struct ConsoleRun {
  explicit ConsoleRun(const RunMode& mode);
  ~ConsoleRun();
  ConsoleRun(const ConsoleRun&) = delete;
  ConsoleRun& operator=(const ConsoleRun&) = delete;
};

// Standard output as the run writes it, watched: once a write fails, the
// stream is bad (so the run can stop writing) and failure() says why, in the
// system's own words ("No space left on device"); empty while all is well.
class WatchedOutput {
 public:
  explicit WatchedOutput(std::ostream& out);
  ~WatchedOutput();
  WatchedOutput(const WatchedOutput&) = delete;
  WatchedOutput& operator=(const WatchedOutput&) = delete;

  std::ostream& stream();
  std::string failure();  // flushes first

 private:
  struct Watch;
  std::unique_ptr<Watch> watch;
};

// Ctrl-C, for work that runs between prompts: true once for each press, and
// the work then stops.
bool take_ctrl_c();

// For work that Ctrl-C stops and that then says what it did: a second press
// ends the run at once, as Ctrl-C does by default, so that nothing it then
// says can keep the person waiting.
void next_ctrl_c_ends_run();

// A line on standard error, "linebrowse: " and `text`, which may hold
// network text: shown by standard error's own rule.
void say_on_error(std::string_view text, const RunMode& mode, std::ostream& err);

// At a terminal: a line of ours was written (`line`, without its line
// feed), which the next page's first screenful counts.
void note_line_shown(std::string_view line);

// Words typed. One whitespace-delimited word of input; empty at the end of
// input. The rest of the line stays for the next read.
std::string read_word(std::istream& in);

// Which earlier lines Up and Down recall at a prompt.
enum class Recall { commands, addresses };

// What a prompt brought. Through pipes and files it is always a word, empty
// at the end of input. At a terminal a prompt may also be cancelled (Ctrl-C)
// or ended (Ctrl-D, or the end of input).
struct Answer {
  enum Kind { typed, cancelled, ended };
  Kind kind = typed;
  std::string word;
};

// Writes `prompt` and returns the next word typed. A line may hold several
// words: each later prompt is answered from it without waiting, and at a
// terminal the word is shown after the prompt as if typed.
Answer prompt_word(std::string_view prompt, Recall recall, std::istream& in, std::ostream& out);

// At a terminal: forgets the words still waiting on the line typed last.
void drop_waiting_words();

// At a terminal: offers `address` again when Up is pressed at an address prompt.
void remember_address(const std::string& address);
