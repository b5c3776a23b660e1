// Inside the browser: the addresses being shown and gone back to, the page
// load sequence, the steps between pages, and the command loop that steers.
#pragma once

#include <deque>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "base/user_files.h"
#include "browser/browser.h"
#include "console/console.h"
#include "page/page.h"

struct NavigationState {
  std::string current_url;
  // Through pipes written only when a link is followed. At a terminal the
  // most recent page of the trail, or empty when the trail is.
  std::string previous_url;
  // At a terminal: the pages left by following a link or by g, the most
  // recent last, which b goes back through; at most longest_trail of them.
  std::deque<std::string> trail;
};

// The trail, at a terminal: a page left goes on it, the oldest going once it
// holds longest_trail; b takes the most recent off (none when it is empty).
// previous_url follows its most recent page.
void put_on_trail(NavigationState& nav, std::string address);
std::string take_off_trail(NavigationState& nav);

// Forgets the old page, retrieves current_url, parses and shows it.
void load_page(const NavigationState& nav, PageModel& page, Console& console);

// The steps between pages, each loading the page it leads to. At a terminal
// a load that brings no page changes nothing but says STAYING ON, and a link
// or g leaves the page on the trail.
void follow_link_to(NavigationState& nav, std::string address, PageModel& page, Console& console);
void reload(NavigationState& nav, PageModel& page, Console& console);
// Back to the page the last link was followed from, which through pipes
// stays the one to go back to.
void go_back(NavigationState& nav, PageModel& page, Console& console);
// To an address typed at the prompt, `typed` as it was typed (at a terminal,
// a name that reaches no server is checked against the files here); through
// pipes the page to go back to stays.
void go_to_address(NavigationState& nav, std::string address, PageModel& page, Console& console,
                   std::string_view typed = {});

// Prompts "Enter URL: " and returns the word typed, normalised. At a terminal
// the answer may instead be Ctrl-C or Ctrl-D, an address that starts with
// file:// is taken as typed, and with `help` given, ?, h and help write it
// and ask again.
Answer prompt_url(Console& console, std::string_view help = {});

// Reads one command word at a time until exit, the end of input or, except
// at a terminal, an unknown word; or until `out` can no longer be written.
void command_loop(NavigationState& nav, PageModel& page, Console& console, const UserFiles& files);
