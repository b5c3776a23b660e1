// The exit statuses of a run, each named once, for what scripts read of it.
#pragma once

namespace exit_status {

inline constexpr int ok = 0;
// A page with an error (or a warning, --strict), a dump that did not come
// whole, a check stopped by Ctrl-C, or output that could not be written.
inline constexpr int failed = 1;
// The command line is wrong.
inline constexpr int usage = 2;
// A name that cannot be read, a page that does not fit in memory, a site
// whose start brings nothing.
inline constexpr int unreadable = 2;

}  // namespace exit_status
