// The limits that keep a run from waiting or growing for ever, each set here
// and only here, and said to people in the words of messages.h.
#pragma once

#include <chrono>
#include <cstddef>

// A server that streams for ever must not take the machine's memory: past
// this much a body is cut, and what arrived is the page. Pages read from
// files for checking are cut at the same size.
inline constexpr std::size_t page_cap_bytes = std::size_t{64} << 20;

// A minute without a byte, connecting included, and the server is taken to
// have stopped: a script must not wait for ever.
inline constexpr std::chrono::seconds longest_silence{60};

// Checking a link needs only the start of its target: past this much of a
// body without a line feed its first line is long enough to tell whether it
// starts with a record, and past the second the transfer is stopped.
inline constexpr std::size_t link_first_line_bytes = std::size_t{64} << 10;
inline constexpr std::size_t link_check_cut_bytes = std::size_t{1} << 20;
