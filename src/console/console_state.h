// Inside the console: what it keeps between calls, for one run. The signal
// handlers never touch it: what they read and write is in terminal.cpp and
// ctrl_c.cpp.
#pragma once

#include <termios.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

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
  termios found_mode{};  // the terminal as the run found it, when the dialogue is at one
  termios quiet_mode{};  // between prompts: keys wait unechoed; Ctrl-C, Ctrl-Z signal

  // A Ctrl-C was taken, or read as a key, since a prompt last asked.
  bool ctrl_c_since_prompt = false;

  // The terminal that status lines and the pause are written on and measured
  // by: standard output's in the dialogue, standard error's for the progress
  // of a run that only writes.
  int screen_descriptor = 1;
  bool status_shown = false;  // a status line is on the screen
  // The screen lines written since a prompt last asked, which the pager
  // counts in its first screenful, so that what a load said before the page
  // (CONNECTING TO, why it failed, where it broke) stays in sight.
  std::size_t lines_since_prompt = 0;

  // Words typed at a terminal.
  std::unique_ptr<struct editline, EndEditor> editor;
  std::unique_ptr<struct history, EndHistory> command_history;
  std::unique_ptr<struct history, EndHistory> address_history;
  std::string prompt;    // the one the editor shows
  std::string line;      // the line typed last, whose words answer the next prompts
  std::size_t next = 0;  // where its next word starts
  // Keys for the next prompt: those typed before a display paused, or the
  // digit that ended a pause.
  std::string typed_ahead;
  std::string history_file;                // where lines are kept from run to run; "" for nowhere
  std::vector<std::string> lines_to_keep;  // typed in this run, as they are kept
};
