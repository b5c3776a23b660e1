// The console of one run: set up from the run's mode when it begins, and the
// terminal put back as it was found when it ends.
#include <unistd.h>

#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/terminal.h"
#include "console/word_input.h"

ConsoleRun::ConsoleRun(const RunMode& mode) {
  ConsoleState& state = console();
  state.mode = mode;
  if (mode.progress_on_error) {
    // Only a line of progress, on standard error: a signal that ends the
    // run erases it there, and the terminal's modes are never touched.
    state.screen_descriptor = STDERR_FILENO;
    erase_passing_line_on_ending_signals();
  }
  if (mode.ctrl_c_stops) catch_ctrl_c();
  if (!mode.terminal) return;
  take_over_terminal();
  catch_ctrl_c();
  start_line_editor();
  keep_keys_waiting();
}

ConsoleRun::~ConsoleRun() {
  if (!console().mode.terminal) return;
  stop_line_editor();
  give_back_terminal();
}
