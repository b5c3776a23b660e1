// Inside the console: Ctrl-C as the editor, the pause and the prompts see it.
// ctrl_c.cpp tells the whole protocol; take_ctrl_c() is in console.h.
#pragma once

#include "console/console_state.h"

// Turns SIGINT into a pending press.
void catch_ctrl_c();

// Ctrl-C read as a key, while a line is edited or at the pause.
void ctrl_c_key(ConsoleState& state);

// Whether a Ctrl-C came since a prompt last asked; takes a pending press.
bool prompt_takes_ctrl_c(ConsoleState& state);
