// The console of one run: set up from the run's mode when it begins, and the
// terminal put back as it was found when it ends.
#include <unistd.h>

#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/history_file.h"
#include "console/terminal.h"
#include "console/word_input.h"

Console::Console(const RunMode& mode, std::istream& in, std::ostream& out, std::ostream& err,
                 std::string history_file)
    : mode(mode), in(in), out(out), err(err), state(std::make_unique<ConsoleState>()) {
  if (mode.progress_on_error) {
    // Only a line of progress, on standard error: a signal that ends the
    // run erases it there, and the terminal's modes are never touched.
    state->screen_descriptor = STDERR_FILENO;
    erase_passing_line_on_ending_signals(STDERR_FILENO);
  }
  if (mode.ctrl_c_stops) catch_ctrl_c();
  if (!mode.terminal) return;
  take_over_terminal(*state);
  catch_ctrl_c();
  start_line_editor(*this);
  state->history_file = std::move(history_file);
  if (!state->history_file.empty())
    load_history(state->history_file, state->command_history.get(), state->address_history.get());
  keep_keys_waiting(*state);
}

Console::~Console() {
  if (!mode.terminal) return;
  stop_line_editor(*state);
  give_back_terminal(*state);
  if (state->history_file.empty() || state->lines_to_keep.empty()) return;
  if (const auto why = save_history(state->history_file, state->lines_to_keep))
    say_on_error(*this, "history not kept in " + state->history_file + ": " + *why);
}
