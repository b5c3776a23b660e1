// The console: the one layer that touches the terminal, and what the other
// subsystems use of it. Its parts, each in a file of its own:
//   session.cpp      the run's console: whether it is a terminal, set up and put back
//   terminal.cpp     the terminal: modes, size, keys, Ctrl-Z and the signals that end a run
//   ctrl_c.cpp       Ctrl-C: who sets it, who takes it, and what taking it drops
//   shown_text.cpp   network text shown, never obeyed: the one walk of its pieces
//   screen_sums.cpp  the columns and lines text takes, and when the pager pauses
//   writer.cpp       writing: the buffer, one screenful at a time, the status line
//   word_input.cpp   words typed: the line editor, its histories, the prompts
// Through pipes and files only the words and the safe text do anything, so a
// piped dialogue stays exactly as it was.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "console/shown_text.h"
#include "console/writer.h"

// The session. When standard input and standard output are both terminals,
// words are read through a line editor with history and Ctrl-C interrupts the
// current work; otherwise nothing changes.
void start_console();
void stop_console();  // the terminal as start_console found it
// For a run that only writes: network text is shown by the rule of standard
// output, a terminal's or a pipe's; nothing else changes.
void start_output_console();

// The console of one run: set up when it begins, put back when it ends.
struct ConsoleRun {
  ConsoleRun() { start_console(); }
  ~ConsoleRun() { stop_console(); }
  ConsoleRun(const ConsoleRun&) = delete;
  ConsoleRun& operator=(const ConsoleRun&) = delete;
};

// Whether start_console found a terminal.
bool at_terminal();

// Ctrl-C, for work that runs between prompts: true once for each press, and
// the work then stops.
bool take_ctrl_c();

// Network text shown safely, appended: C0 controls in caret notation, C1
// controls and what the run's output cannot show as cat -v writes them.
void append_visible(std::string& out, std::string_view text);
std::string visible(std::string_view text);  // the same, as a string of its own

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
