// Web access: turning what the user types into an address, and retrieving the
// body of an address over HTTP.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "console/console.h"

// Forces an address to plain HTTP: https:// becomes http:// with a notice on
// `out`; an address without an http:// scheme gets one put in front.
std::string normalize_url(std::string_view url, std::ostream& out);

// An address as it is sent: spaces, control bytes and bytes from 0x7f up
// %-encoded, so that it is one word that shows as it is. For addresses that
// come from the network and are offered at the address prompt.
std::string percent_encoded(std::string_view url);

// Prompts "Enter URL: " and returns the word typed, normalised. At a terminal
// the answer may instead be Ctrl-C or Ctrl-D.
Answer prompt_url(std::istream& in, std::ostream& out);

// Announces and retrieves an address. Whatever body arrives is returned,
// whatever the HTTP status; failures yield an empty or partial body. At a
// terminal a failure, or a status outside 2xx, is also said in one line, and
// Ctrl-C stops the transfer, keeping what arrived. Running out of memory
// throws std::bad_alloc, once the transfer's memory is given back.
std::string fetch_page(const std::string& url, std::ostream& out);
