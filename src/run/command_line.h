// Inside the run: what the words on the command line ask for, read and
// judged before anything else happens.
#pragma once

#include <string>

#include "check/check.h"

struct CommandLine {
  enum class Run {
    dialogue,
    help,
    version,
    list_codes,
    language_server,
    dump,
    check,
    check_site,
    wrong
  };
  Run run = Run::dialogue;
  std::string address;   // the dialogue's first address, when given, or --dump's
  CheckOptions check{};  // what --check is asked for
  std::string wrong{};   // why the words are wrong, for Run::wrong
};

// An option stands first: help and version are answered (anything after them
// is ignored, as after an address); no address begins with a dash, so any
// other such word is an option of --dump or --check, or a mistake. Options
// of those may stand anywhere before "--", which ends them.
CommandLine read_command_line(int argc, const char* const* argv);
