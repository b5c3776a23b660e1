// The console's state: one record for the run. Each field says who writes it,
// so that the signal handlers and the loop never write the same one.
#pragma once

#include <termios.h>

#include <csignal>
#include <cstddef>
#include <memory>
#include <string>

#include "console/console.h"

// libedit's EditLine and History, whose names libedit's header gives.
struct editline;
struct history;

// Ends libedit's objects; defined with the editor.
struct EndEditor {
  void operator()(struct editline* editor) const;
};
struct EndHistory {
  void operator()(struct history* list) const;
};

struct ConsoleState {
  // Set when the run's console starts, then only read.
  RunMode mode;
  termios found_mode{};  // the terminal as the run found it, when the dialogue is at one
  termios quiet_mode{};  // between prompts: keys wait unechoed; Ctrl-C, Ctrl-Z signal

  // Ctrl-C; ctrl_c.cpp tells the whole protocol.
  // Set by the SIGINT handler; cleared by the loop when it takes the press.
  volatile std::sig_atomic_t ctrl_c_pending = 0;
  // Loop only: a Ctrl-C was taken, or read as a key, since a prompt last asked.
  bool ctrl_c_since_prompt = false;

  // The terminal that status lines and the pause are written on and measured
  // by: standard output's in the dialogue, standard error's for the progress
  // of a run that only writes.
  int screen_descriptor = 1;

  // Written by the loop; read by the handler of a signal that ends the run,
  // which erases the line: a status line or the pause is showing.
  volatile std::sig_atomic_t passing_line_shown = 0;
  bool status_shown = false;  // loop only: a status line is on the screen
  // Loop only: the screen lines written since a prompt last asked, which the
  // pager counts in its first screenful, so that what a load said before
  // the page (CONNECTING TO, why it failed, where it broke) stays in sight.
  std::size_t lines_since_prompt = 0;

  // Words typed at a terminal; loop only.
  std::unique_ptr<struct editline, EndEditor> editor;
  std::unique_ptr<struct history, EndHistory> command_history;
  std::unique_ptr<struct history, EndHistory> address_history;
  std::string prompt;       // the one the editor shows
  std::string line;         // the line typed last, whose words answer the next prompts
  std::size_t next = 0;     // where its next word starts
  std::string typed_ahead;  // keys read from the terminal at a pause, for the next prompt
};

// The one record of the run; console_state.cpp is its home.
ConsoleState& console();
