// The reader's browser: a page at a time, followed by number, with the
// commands of the dialogue. What the run above calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/user_files.h"
#include "console/console.h"

// The dialogue, from `first_address` (asked for when empty) to its end: the
// first page, then the command loop. Returns the exit status.
int browse(const std::string& first_address, Console& console, const UserFiles& files);

// The file:// address of a path typed as one: a word that starts with /,
// ./, ../ or ~/. None for any other word.
std::optional<std::string> local_file_address(std::string_view word);

// The commands, one line each, as --help and the ? command list them.
extern const std::string_view command_list;
