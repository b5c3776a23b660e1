// Ctrl-C, the whole protocol. At a terminal Ctrl-C brings the person back to
// the prompt; through pipes none of this is set up, and SIGINT ends the run.
//
// Who sets it:
//  - While the run works (a load, rows being shown) the terminal turns Ctrl-C
//    into SIGINT, whose handler marks a press pending.
//  - While a line is edited, and at the pause between screenfuls, the
//    terminal hands Ctrl-C over as a key: the editor (word_input.cpp) and the
//    pause (writer.cpp) call ctrl_c_key().
//
// Who takes it, and what taking it drops:
//  - The watch of a transfer (the browser's and the check's, for web) calls take_ctrl_c() and
//    stops the transfer; what arrived stays.
//  - The writer calls take_ctrl_c() at every buffer it writes, and then
//    writes nothing more: the rest of the rows is dropped.
//  - Every prompt calls prompt_takes_ctrl_c() before it asks: after a Ctrl-C
//    it drops the words still waiting on the line typed before, and the keys
//    typed ahead. After a line is edited the editor calls it again: a Ctrl-C
//    while the line was edited, as a key or a signal, drops the line.
//
// So a prompt leaves no press pending, and a Ctrl-C pressed before a prompt
// never stops the retrieval that follows it.
//
// A second press while the first is still pending ends the run at once, as
// SIGINT does by default: whatever holds the run (a write nobody reads, a
// long match) never keeps a person from leaving.
#include "console/ctrl_c.h"

#include <csignal>

#include "console/console.h"
#include "console/terminal.h"

namespace {

// Set by the SIGINT handler; cleared by the loop when it takes the press.
volatile std::sig_atomic_t ctrl_c_pending = 0;

extern "C" void note_ctrl_c(int signal) {
  if (ctrl_c_pending != 0) end_run_now(signal);
  ctrl_c_pending = 1;
}

bool take_pending(ConsoleState& state) {
  if (ctrl_c_pending == 0) return false;
  ctrl_c_pending = 0;
  state.ctrl_c_since_prompt = true;
  return true;
}

}  // namespace

void catch_ctrl_c() {
  if (left_to_default(SIGINT)) handle_signal(SIGINT, note_ctrl_c, SA_RESTART);  // output goes on
}

void ctrl_c_key(ConsoleState& state) { state.ctrl_c_since_prompt = true; }

bool take_ctrl_c(Console& console) { return take_pending(*console.state); }

void next_ctrl_c_ends_run(Console& console) {
  if (console.mode.ctrl_c_stops) end_run_on(SIGINT);
}

bool prompt_takes_ctrl_c(ConsoleState& state) {
  const bool pressed = take_pending(state) || state.ctrl_c_since_prompt;
  state.ctrl_c_since_prompt = false;
  return pressed;
}
