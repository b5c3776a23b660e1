// Inside the console: the lines typed that are kept from run to run, in the
// line editor's own file, which several runs may write at once.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "console/console_state.h"

struct history;

// How many lines the file keeps, the newest.
inline constexpr int kept_lines = 1000;

// A history as every one of the run is set up: the newest kept_lines, a line
// typed again not kept twice in a row.
using HistoryList = std::unique_ptr<struct history, EndHistory>;
HistoryList new_history();

// A line as it is kept: a command as typed, an address as the command that
// goes there ("g ADDRESS"). None for a blank line, or one that holds a
// control byte, which has no business in a file or on the next screen.
std::optional<std::string> kept_line(std::string_view line, Recall recall);

// Fills the histories of the two prompts from the file: each line for the
// commands, and the address of each "g ADDRESS" for the addresses too.
void load_history(const std::string& path, struct history* commands, struct history* addresses);

// Adds `lines` to the file after whatever other runs have added since, and
// keeps its newest kept_lines. Why it failed, when it did.
std::optional<std::string> save_history(const std::string& path,
                                        const std::vector<std::string>& lines);
