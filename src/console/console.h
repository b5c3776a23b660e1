// The console: the one layer that touches the terminal. Everything the other
// parts show from the network goes through it, so a page cannot drive it.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

// Appends text for the terminal to show, never obey: C0 controls in caret
// notation (ESC as ^[, DEL as ^?) and C1 controls as cat -v writes them (the
// byte 0x9b as M-^[, its UTF-8 form as M-BM-^[). Tabs, all other UTF-8 and
// bytes from 0xa0 up outside UTF-8 (Latin-1 text) pass unchanged.
void append_visible(std::string& out, std::string_view text);

// The same for text of any length: whenever more than `flush_at` bytes of it
// wait, the buffer is written to `out` and emptied, so it stays bounded.
void append_visible(std::string& buffer, std::string_view text, std::ostream& out,
                    std::size_t flush_at);
