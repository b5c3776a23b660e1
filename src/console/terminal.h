// Inside the console: what the word input and the screen need from the
// terminal's state, and the line editor that start-up sets going.
#pragma once

// Whether Ctrl-C was pressed since the last call, taken or not; clears both.
bool interrupted_since_last_asked();

// Stops the run as Ctrl-Z does (the terminal as the run found it while it is
// stopped) and returns once it goes on, with the terminal as it was.
void suspend_run();

// Whether a line that is erased when done (a status line, the pause) is on
// the screen now, for a signal that ends the run to erase.
void note_passing_line(bool shown);

// Puts the terminal back in the mode it has between prompts, in which keys
// typed wait for the next prompt without being echoed.
void keep_keys_waiting();

// One key from the terminal, read without echo; Ctrl-C and Ctrl-Z come as
// the bytes 3 and 26. -1 at the end of input.
int read_key();

// Ctrl-C read as a key: what waits to be read is dropped at the next prompt,
// as after Ctrl-C pressed while the run works.
void note_interrupt_key();

// Keys typed before the screen paused, which the next prompts take first.
void save_keys_typed_ahead();

// Sets up line editing and history on the terminal, and ends them.
void start_line_editor();
void stop_line_editor();
