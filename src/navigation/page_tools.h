// Inside navigation: the two runs that take no commands, for scripts and for
// page authors; start-up calls them for their options.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

// --dump: the page at `address` retrieved once and written as the dialogue
// shows it, never reading input. 0 when it came whole with a 2xx status;
// else 1, with a line on `err` for each failure.
int dump_page(const std::string& address, const RunMode& mode, std::ostream& out,
              std::ostream& err);

// --check: every problem of each named page (a file, "-" for `in`, or an
// address), and with `links` its broken links. 0 when no page has an error,
// 1 when one has, 2 when a name cannot be read.
int check_pages(const std::vector<std::string>& names, bool links, const RunMode& mode,
                std::istream& in, std::ostream& out, std::ostream& err);

// The line on standard error that says why `name` failed: "linebrowse:
// NAME: REASON", shown safely by standard error's rule.
void say_failure(const std::string& name, std::string_view reason, const RunMode& mode,
                 std::ostream& err);
