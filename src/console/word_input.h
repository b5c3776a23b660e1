// Inside the console: the line editor that start_console sets going at a
// terminal, and ends with the run. The prompts themselves are in console.h.
#pragma once

void start_line_editor();
void stop_line_editor();
