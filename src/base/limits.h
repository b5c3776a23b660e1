// The limits that keep a run from waiting or growing for ever, each set here
// and only here, and said to people in the words of messages.h.
#pragma once

#include <chrono>
#include <cstddef>

// A server that streams for ever must not take the machine's memory: past
// this much a body is cut, and what arrived is the page. Pages read from
// files for checking are cut at the same size.
inline constexpr std::size_t page_cap_mib = 64;
inline constexpr std::size_t page_cap_bytes = page_cap_mib << 20;

// Fewer than this many bytes in a minute, connecting included, and the
// server is taken to have stopped: a script must not wait for ever, neither
// for a server that says nothing nor for one that sends a byte now and then.
inline constexpr std::chrono::seconds longest_silence{60};
inline constexpr long least_bytes_a_minute = 60;

// Checking a link needs only the first line of its target, and its transfer
// stops there; past this much of a body without a line feed, the first line
// is long enough to tell whether it starts with a record.
inline constexpr std::size_t link_first_line_bytes = std::size_t{64} << 10;

// At a terminal, the trail of pages that b goes back through keeps this many,
// so that a long session grows nothing per command.
inline constexpr std::size_t longest_trail = 100;
