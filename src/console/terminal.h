// Inside the console: what the word input needs from the terminal's state,
// and the line editor that start-up sets going.
#pragma once

// Whether Ctrl-C was pressed since the last call, taken or not; clears both.
bool interrupted_since_last_asked();

// Stops the run as Ctrl-Z does (the terminal as the run found it while it is
// stopped) and returns once it goes on, with the terminal as it was.
void suspend_run();

// Sets up line editing and history on the terminal.
void start_line_editor();
