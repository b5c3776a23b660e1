// Inside the browser: bringing a page in and saying what went wrong on the
// way, shared by the load sequence, the command loop and the one-shot runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/console.h"
#include "page/page.h"
#include "view/view.h"
#include "web/web.h"

// The rows the dialogue shows: the page's own at a terminal, else up to
// last_line, as scripts know it.
inline RowsShown rows_shown(const RunMode& mode) {
  return mode.terminal ? RowsShown::own : RowsShown::up_to_last_line;
}

// ERROR DECODING PAGE, and at a terminal the line after it that says where
// the page broke. A load or a command that ran out of memory outside the
// reading has no line to name.
void say_decoding_error(const ParseEnd& where, Console& console);

// An address typed or followed, forced to plain HTTP; an https address is
// said to be loaded without it.
std::string normalized_address(std::string_view url, Console& console);
