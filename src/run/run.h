// The run that starts either user's part: the command line read, the mode
// and the person's files decided once, then the browser or the check.
#pragma once

#include <istream>
#include <ostream>
#include <string>

// The whole run: an option, or the first address from args[1] or the prompt,
// the first page, then the command loop. Returns the exit status.
int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out,
             std::ostream& err);

struct Console;

// --dump: the page at `address` retrieved once and written as the dialogue
// shows it, never reading input. 0 when it came whole with a 2xx status;
// else 1, with a line on standard error for each failure.
int dump_page(const std::string& address, Console& console);
