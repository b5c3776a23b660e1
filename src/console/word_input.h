// Inside the console: the line editor that the console sets going at a
// terminal, and ends with the run. The prompts themselves are in console.h.
#pragma once

#include "console/console.h"
#include "console/console_state.h"

void start_line_editor(Console& console);
void stop_line_editor(ConsoleState& state);
