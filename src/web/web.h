// Web access: turning what the user types into an address, and retrieving the
// body of an address over HTTP.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"

// Forces an address to plain HTTP: https:// becomes http:// with a notice on
// `out`; an address without an http:// scheme gets one put in front.
std::string normalize_url(std::string_view url, std::ostream& out);

// Appends the address following a link to `target` loads, as normalize_url
// makes it, with " (HTTPS NOT SUPPORTED)" after it instead of the notice.
void append_followed_address(std::string& line, std::string_view target);

// An address as it is sent: spaces, control bytes and bytes from 0x7f up
// %-encoded, so that it is one word that shows as it is. For addresses that
// come from the network and are offered at the address prompt.
std::string percent_encoded(std::string_view url);

// Prompts "Enter URL: " and returns the word typed, normalised. At a terminal
// the answer may instead be Ctrl-C or Ctrl-D.
Answer prompt_url(std::istream& in, std::ostream& out);

// What one retrieval brought: whatever body arrived, whatever the HTTP
// status, and how the transfer ended.
struct Retrieval {
  std::string body;
  long status = 0;         // the HTTP status; 0 when none came, or the address is not HTTP
  bool responded = false;  // a status or body bytes came
  bool whole = false;      // the transfer ended as the server meant it: not failed, cut or stopped
  bool stopped = false;    // by Ctrl-C, at a terminal
  bool cut = false;        // at 64 MiB: the body is the page's first 64 MiB
  bool out_of_memory = false;
  std::string failure;   // the line that says why it failed or brought no page; empty if none
  std::string moved_to;  // where a redirect points, as the server sent it
};

// Whether a status is a success; 0, for an address that is not HTTP, is.
bool success_status(long status);

// Retrieves an address, writing nothing but, at a terminal, the status line
// of a slow load on `out`; Ctrl-C there stops the transfer, keeping what
// arrived. An address with a NUL byte is not retrieved at all.
Retrieval retrieve(const std::string& url, std::ostream& out);

// Announces and retrieves an address. At a terminal a failure, or a status
// outside 2xx, is also said in one line. Running out of memory throws
// std::bad_alloc, once the transfer's memory is given back.
Retrieval fetch_page(const std::string& url, std::ostream& out);

// What retrieving a link target brought, as far as checking it needs.
struct LinkAnswer {
  std::string failure;     // why it failed or brought no page, as fetch_page says it; "" if not
  std::string first_line;  // the first line of the body, or its first 64 KiB
};

// Retrieves the addresses side by side, at most 8 at once over kept
// connections, each cut after a minute without a byte. With `progress`, a
// line rewritten there says how many are done.
std::vector<LinkAnswer> retrieve_links(const std::vector<std::string>& addresses,
                                       std::ostream* progress);
