// Runs the real browser binary as a user would: arguments, standard input
// from a string, standard output and error captured apart.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
  std::string out;
  std::string err;
  bool exited = false;  // ended by exit(), not by a signal or the time limit
  int status = -1;      // exit status when exited
  long peak_memory_kb = 0;
};

// Runs the browser with `args` after its name, feeding `input` and closing its
// standard input. A run past `seconds` is killed and reported as not exited.
// `max_descriptors` (when above 0) limits the open files the process may hold.
ProgramRun run_browser(const std::vector<std::string>& args, const std::string& input,
                       int seconds = 120, int max_descriptors = 0);
