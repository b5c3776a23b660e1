// Inside the console: the rule that decides how each byte of network text is
// shown, for the kind of output the run has.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "console/console.h"

// The rule for this run's output, which start_console chooses.
TextRule text_rule();

// How the start of a text is shown: its first `consumed` bytes either pass as
// they are, or are written as `notation`.
struct ShownPiece {
  std::size_t consumed;
  bool passed;
  std::array<char, 8> notation;
  std::size_t notation_size;
};

// The piece that text starts with, which must not be empty.
ShownPiece next_piece(std::string_view text, TextRule rule);

// How many bytes at the start of text are printable ASCII or tabs, which
// every rule lets pass.
std::size_t plain_prefix(std::string_view text);

void append_visible(std::string& out, std::string_view text, TextRule rule);
