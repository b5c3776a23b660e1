// Inside the console: what the word input needs from the terminal's Ctrl-C
// handling, and the line editor that start-up sets going.
#pragma once

// While the editor waits for a line, Ctrl-C must end the wait (reads are not
// restarted); the rest of the time it must not break output being written.
void let_interrupts_end_reads(bool end_reads);

// Whether Ctrl-C was pressed since the last call, taken or not; clears both.
bool interrupted_since_last_asked();

// Sets up line editing and history on the terminal.
void start_line_editor();
