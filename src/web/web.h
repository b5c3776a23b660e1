// Web access: turning what the user types into an address, and retrieving the
// body of an address over HTTP.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

// Forces an address to plain HTTP: https:// becomes http:// with a notice on
// `out`; an address without an http:// scheme gets one put in front.
std::string normalize_url(std::string_view url, std::ostream& out);

// One whitespace-delimited word of input; empty at the end of input. The rest
// of the line stays for the next read.
std::string read_word(std::istream& in);

// Prompts "Enter URL: " and returns the word typed, normalised.
std::string prompt_url(std::istream& in, std::ostream& out);

// Announces and retrieves an address. Whatever body arrives is returned,
// whatever the HTTP status; failures yield an empty or partial body.
std::string fetch_page(const std::string& url, std::ostream& out);
