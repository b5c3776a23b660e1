// The console: the one layer that touches the terminal, built once at
// start-up as one object and handed down. Its parts, each in a file of its own:
//   run_mode.cpp       how the run meets its user, decided once at start-up
//   watched_output.cpp standard output, and why a write to it failed
//   session.cpp        the console set up from the mode, and put back
//   terminal.cpp       the terminal: modes, size, keys, Ctrl-Z and the signals that end a run
//   ctrl_c.cpp         Ctrl-C: who sets it, who takes it, and what taking it drops
//   screen_sums.cpp    the columns and lines text takes, and when the pager pauses
//   writer.cpp         writing: lines, the buffer, one screenful at a time, the status line
//   word_input.cpp     words typed: the line editor, its histories, the prompts
// Through pipes and files only the words and the safe text do anything, so a
// piped dialogue stays exactly as it was.
#pragma once

#include <istream>
#include <memory>
#include <optional>
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

// What the console keeps between calls: the terminal's modes, the line
// editor, the words waiting, the pager's count. Only the console reads it.
struct ConsoleState;

// The console of one run, on the run's streams, set up from its mode when it
// begins and put back when it ends. At a terminal, words are read through a
// line editor with history and Ctrl-C interrupts the current work; the lines
// typed are kept in `history_file` from run to run, unless it is empty.
// Otherwise nothing changes.
struct Console {
  Console(const RunMode& mode, std::istream& in, std::ostream& out, std::ostream& err,
          std::string history_file = {});
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  const RunMode mode;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::unique_ptr<ConsoleState> state;
};

// Standard output as the run writes it, watched: once a write fails, the
// stream is bad (so the run can stop writing) and failure() says why, in the
// system's own words ("No space left on device"); none while all is well.
class WatchedOutput {
 public:
  explicit WatchedOutput(std::ostream& out);
  ~WatchedOutput();
  WatchedOutput(const WatchedOutput&) = delete;
  WatchedOutput& operator=(const WatchedOutput&) = delete;

  std::ostream& stream();
  std::optional<std::string> failure();  // flushes first

 private:
  struct Watch;
  std::unique_ptr<Watch> watch;
};

// A line of ours on standard output, ending in a line feed, flushed; at a
// terminal the next page's first screenful counts it.
void say(Console& console, std::string_view line);
// `own` and then network text, shown by standard output's rule, as one line.
void say(Console& console, std::string_view own, std::string_view network_text);

// A line on standard error, "linebrowse: " and `text`, which may hold
// network text: shown by standard error's own rule.
void say_on_error(Console& console, std::string_view text);
// The line on standard error that says why `name` failed: "linebrowse:
// NAME: REASON", shown as say_on_error shows it.
void say_failure(Console& console, std::string_view name, std::string_view reason);

// `own` followed by network text shown safely by standard output's rule, cut
// to the terminal's width with "..." at a terminal.
std::string screen_line(Console& console, std::string_view own, std::string_view network_text);

// One line under the current one that says how work is getting on (a load,
// a check), rewritten in place and cut to the terminal's width; clear_status
// erases it. It goes where the run's mode says: standard output in the
// dialogue at a terminal, standard error for a run that only writes when it
// is a terminal. Elsewhere nothing.
void show_status(Console& console, std::string_view text);
void clear_status(Console& console);

// Ctrl-C, for work that runs between prompts: true once for each press, and
// the work then stops.
bool take_ctrl_c(Console& console);

// For work that Ctrl-C stops and that then says what it did: a second press
// ends the run at once, as Ctrl-C does by default, so that nothing it then
// says can keep the person waiting.
void next_ctrl_c_ends_run(Console& console);

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
  std::string as_typed{};  // for an address, the word before it was made one
};

// Writes `prompt` and returns the next word typed. A line may hold several
// words: each later prompt is answered from it without waiting, and at a
// terminal the word is shown after the prompt as if typed.
Answer prompt_word(Console& console, std::string_view prompt, Recall recall);

// At a terminal: forgets the words still waiting on the line typed last.
void drop_waiting_words(Console& console);

// At a terminal: offers `address` again when Up is pressed at an address prompt.
void remember_address(Console& console, const std::string& address);
