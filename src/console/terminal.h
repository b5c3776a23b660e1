// Inside the console: the terminal itself. Its modes, its size, keys read one
// at a time, and the signals that stop or end the run with it put back.
#pragma once

#include <cstddef>
#include <string>

#include "console/console_state.h"

// Takes the terminal for the run: keys wait unechoed between prompts, and a
// stop or a signal that ends the run leaves it as it was found. give_back_
// terminal leaves it so at the end of the run.
void take_over_terminal(ConsoleState& state);
void give_back_terminal(const ConsoleState& state);

// For a run that only writes, with a line of progress on the terminal of
// `descriptor`: every signal that ends the run erases the line first, as at
// the dialogue.
void erase_passing_line_on_ending_signals(int descriptor);

// Lets `signal` end the run at once, as by default, with the terminal put
// back and a passing line erased.
void end_run_on(int signal);

// Ends the run at once by `signal`, as by default, with the terminal put
// back and a passing line erased; for a signal handler.
void end_run_now(int signal);

// Puts the terminal back in the mode it has between prompts.
void keep_keys_waiting(const ConsoleState& state);

// Sets the terminal for read_key: Ctrl-C and Ctrl-Z come as the bytes 3 and
// 26. Set before what asks for a key is shown, so that a key pressed as soon
// as it appears is read as one, never taken as a signal.
void listen_for_keys(const ConsoleState& state);

// One key from the terminal, read without echo once listen_for_keys has set
// it: a byte, or all of an escape sequence that a key sends (ESC, then [ or O
// with its parameters and final byte, or one more byte for Alt). Empty at the
// end of input.
std::string read_key();

// Keeps the keys typed so far and not yet read for the next prompt, before
// the pause reads its own key.
void save_keys_typed_ahead(ConsoleState& state);

// Drops the keys typed so far and not yet read.
void drop_keys_typed();

// Stops the run as Ctrl-Z does (the terminal as the run found it while it is
// stopped) and returns once it goes on, with the terminal as it was.
void suspend_run();

// Whether a line that is erased when done (a status line, the pause) is on
// the screen now, for a signal that ends the run to erase first.
void note_passing_line(bool shown);

struct ScreenSize {
  std::size_t rows = 24;
  std::size_t columns = 80;
};

// The terminal's size now; 24x80 when it does not say or is implausibly small.
ScreenSize screen_size(const ConsoleState& state);

// Whether `signal` does what it does by default. A signal the run found
// ignored (started in the background, say) stays so, and one that something
// else handles (a sanitizer reporting a fault) is left to it.
bool left_to_default(int signal);

// Sets `handler` for `signal`, with sigaction's `flags`.
void handle_signal(int signal, void (*handler)(int), int flags);
