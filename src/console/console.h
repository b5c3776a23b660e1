// The console: the one layer that touches the terminal. It reads the words
// typed, turns Ctrl-C into a request to stop, and writes network text safely.
#pragma once

#include <array>
#include <cstring>
#include <iosfwd>
#include <string>
#include <string_view>

// Sets the console up for the run. When standard input and standard output
// are both terminals, words are read through a line editor with history and
// Ctrl-C interrupts the current work; otherwise nothing changes, so a piped
// dialogue stays exactly as it was.
void start_console();

// At the end of the run: the terminal as start_console found it.
void stop_console();

// The console of one run: set up when it begins, put back when it ends.
struct ConsoleRun {
  ConsoleRun() { start_console(); }
  ~ConsoleRun() { stop_console(); }
  ConsoleRun(const ConsoleRun&) = delete;
  ConsoleRun& operator=(const ConsoleRun&) = delete;
};

// Whether start_console found a terminal.
bool at_terminal();

// At a terminal: one line under the current one that says what a load is
// doing, rewritten in place and cut to the terminal's width; clear_status
// erases it, leaving the cursor at its start. Elsewhere nothing.
void show_status(std::string_view text, std::ostream& out);
void clear_status(std::ostream& out);

// `own` followed by network text shown safely (as append_visible), cut to
// the terminal's width with "..." at a terminal.
std::string screen_line(std::string_view own, std::string_view network_text);

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

// How network text is shown: which bytes pass as they came.
enum class TextRule {
  piped,      // well-formed UTF-8 and Latin-1 text pass, as either may be meant
  utf8,       // a UTF-8 terminal: only well-formed UTF-8 passes
  eight_bit,  // any other terminal: no byte from 0x80 to 0x9f passes
};

// Appends text for the terminal to show, never obey: C0 controls in caret
// notation (ESC as ^[, DEL as ^?) and C1 controls as cat -v writes them (the
// byte 0x9b as M-^[, its UTF-8 form as M-BM-^[). Tabs and printable ASCII
// pass everywhere; which other bytes pass depends on the output: through a
// pipe all other UTF-8 and bytes from 0xa0 up outside UTF-8 (Latin-1 text);
// at a UTF-8 terminal only well-formed UTF-8 (other bytes as cat -v writes
// them, 0xe9 as M-i); at any other terminal bytes from 0xa0 up.
void append_visible(std::string& out, std::string_view text);

// Writes to the console through a buffer of its own, so that a page of any
// size is shown without taking memory. At a terminal, Ctrl-C stops the
// writing within a buffer's worth, even inside one long text.
struct ConsoleWriter {
  explicit ConsoleWriter(std::ostream& out);
  ~ConsoleWriter();
  ConsoleWriter(const ConsoleWriter&) = delete;
  ConsoleWriter& operator=(const ConsoleWriter&) = delete;

  // The program's own text. Inline, since a page's rows come in small
  // pieces: saves 2 ms of 30 in showing the million-record page.
  void write(std::string_view text) {
    if (text.size() <= buffer.size() - used && !stopped) {
      std::memcpy(buffer.data() + used, text.data(), text.size());
      used += text.size();
    } else {
      write_across(text);
    }
  }
  // Text from the network, written as append_visible writes it.
  void write_visible(std::string_view text);
  // The same for a field of a page record: the start of `text` up to its
  // first bar.
  void write_visible_field(std::string_view text);
  void flush();
  // At a terminal, before a line of `own`, the field `network_field` starts
  // with (as write_visible_field takes it) and `own_end`: when the line would
  // not fit on the screen under what was shown since the last pause, pauses
  // and asks for more. False when the person stops the rows instead.
  bool make_room(std::string_view own, std::string_view network_field, std::string_view own_end);
  // Text that fills the buffer: written in pieces, each flushed.
  void write_across(std::string_view text);
  // Network text, whose plain runs end at the bytes marked in `run_ends`.
  void write_shown(std::string_view text, const std::array<bool, 256>& run_ends);

  std::ostream& out;
  TextRule rule;
  bool stopped = false;    // by Ctrl-C: nothing more is written
  bool line_open = false;  // what was written last does not end a line
  std::size_t used = 0;
  std::array<char, std::size_t{64} << 10> buffer;
  // One screenful at a time, at a terminal: its size when the writer began,
  // and the lines shown since the last pause and allowed before the next.
  bool paging = false;
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::size_t lines_shown = 0;
  std::size_t lines_allowed = 0;
};
