// Navigation: start-up, the addresses being shown and gone back to, the page
// load sequence, and the command loop that steers between pages.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "page/page.h"

struct NavigationState {
  std::string current_url;
  std::string previous_url;  // written only when a link is followed
};

// Forgets the old page, retrieves current_url, parses and shows it.
void load_page(const NavigationState& nav, PageModel& page, std::ostream& out);

// Moves to `next` and loads its current_url. At a terminal, a load that
// brings no page (no response, or a failure status and no record) changes
// nothing: it says STAYING ON, and the page and both addresses stay.
void go_to(NavigationState& nav, NavigationState next, PageModel& page, std::ostream& out);

// The commands, one line each, as --help and the ? command list them.
extern const std::string_view command_list;

// Reads one command word at a time until exit, the end of input or, except
// at a terminal, an unknown word.
void command_loop(NavigationState& nav, PageModel& page, std::istream& in, std::ostream& out);

// The whole run: an option, or the first address from args[1] or the prompt,
// the first page, then the command loop. Returns the exit status.
int start_up(int argc, const char* const* argv, std::istream& in, std::ostream& out,
             std::ostream& err);
