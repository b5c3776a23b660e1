// The console: the one layer that touches the terminal. It reads the words
// typed, turns Ctrl-C into a request to stop, and writes network text safely.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

// Sets the console up for the run. When standard input and standard output
// are both terminals, words are read through a line editor with history and
// Ctrl-C interrupts the current work; otherwise nothing changes, so a piped
// dialogue stays exactly as it was.
void start_console();

// Whether start_console found a terminal.
bool at_terminal();

// One whitespace-delimited word of input; empty at the end of input. The rest
// of the line stays for the next read.
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

// Whether Ctrl-C was pressed and not yet taken.
bool interrupt_requested();

// Takes a pending Ctrl-C: true once for each press. Words still waiting from
// the line typed before it are then dropped.
bool take_interrupt();

// Appends text for the terminal to show, never obey: C0 controls in caret
// notation (ESC as ^[, DEL as ^?) and C1 controls as cat -v writes them (the
// byte 0x9b as M-^[, its UTF-8 form as M-BM-^[). Tabs, all other UTF-8 and
// bytes from 0xa0 up outside UTF-8 (Latin-1 text) pass unchanged.
void append_visible(std::string& out, std::string_view text);

// The same for text of any length: whenever more than `flush_at` bytes of it
// wait, the buffer is written to `out` and emptied, so it stays bounded.
void append_visible(std::string& buffer, std::string_view text, std::ostream& out,
                    std::size_t flush_at);
