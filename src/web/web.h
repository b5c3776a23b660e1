// Web access: turning what the user types into an address, and retrieving the
// body of an address over HTTP. Nothing here writes: what a retrieval brings,
// and why it failed, is returned for the rooms above to say.
#pragma once

#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An address forced to plain HTTP: https:// becomes http://, which the user
// is told of; an address without an http:// scheme gets one put in front.
struct NormalizedUrl {
  std::string address;
  bool was_https = false;
};
NormalizedUrl normalize_url(std::string_view url);

// Appends the address following a link to `target` loads, as normalize_url
// makes it, with " (HTTPS NOT SUPPORTED)" after it instead of the notice.
void append_followed_address(std::string& line, std::string_view target);

// An address as it is sent: spaces, control bytes and bytes from 0x7f up
// %-encoded, so that it is one word that shows as it is. For addresses that
// come from the network and are offered at the address prompt.
std::string percent_encoded(std::string_view url);

// How a transfer is getting on, for whoever watches it.
struct TransferProgress {
  long long received = 0;  // bytes of the body
  long long expected = 0;  // the length the server announced; 0 when it did not
  std::chrono::steady_clock::duration elapsed{};
  std::chrono::steady_clock::duration silent{};  // since anything last arrived
};

// Asked often while a transfer runs, waiting or not, at least once a second;
// true stops the transfer, keeping what arrived (a person's Ctrl-C).
using TransferWatch = std::function<bool(const TransferProgress&)>;

// Why a transfer ended before the server ended the body, if it did.
enum class TransferStop {
  none,
  cut,            // at the cap: the body is the page's first 64 MiB
  stopped,        // by the caller's watch (a person's Ctrl-C)
  stalled,        // too little arrived for a minute
  out_of_memory,  // no room for what arrived, which is dropped
  failed,         // libcurl's own error: no connection, a transfer cut short...
};

// What one retrieval brought: whatever body arrived, whatever the HTTP
// status, and how the transfer ended.
struct Retrieval {
  std::string body;
  long status = 0;         // the HTTP status; 0 when none came, or the address is not HTTP
  bool responded = false;  // a status or body bytes came
  TransferStop stop = TransferStop::none;
  // The line that says why it failed or brought no page, as it is said to
  // people; empty if none. Where a redirect points is in it as the server
  // sent it, to be shown safely.
  std::string failure;
  std::string moved_to;  // where a redirect points, as the server sent it
};

// A file read from disk: only a regular file, opened without waiting, up to
// the cap, so that a FIFO, a device or a folder is never waited for.
struct FileRead {
  enum class Problem { none, cannot_read, not_a_file, cut, out_of_memory };
  std::string body;  // up to the cap, when the problem is none or cut
  Problem problem = Problem::none;
  int error = 0;  // errno, when it cannot be read
};
FileRead read_capped_file(const std::string& path);

// A page read from disk at `path`, as read_capped_file reads it, said as a
// retrieval is: NOT A FILE for a FIFO, a device or a folder.
Retrieval read_file(const std::string& path);

// Whether a status is a success; 0, for an address that is not HTTP, is.
bool success_status(long status);

// Whether a retrieval came whole: its transfer ended as the server ended the
// body, with a success status. Otherwise its failure line says why.
inline bool came_whole(TransferStop stop, long status) {
  return stop == TransferStop::none && success_status(status);
}
// Whether a link leads to what it names: it came whole, or was cut at the cap.
inline bool link_came(TransferStop stop, long status) {
  return came_whole(stop == TransferStop::cut ? TransferStop::none : stop, status);
}

// Whether an address is a file:// address, in any case.
bool is_file_address(std::string_view address);
// The file:// address of an absolute path, escaped as an address needs.
std::string file_address(std::string_view path);

// A relative path as a URI reference: each part between slashes %-escaped
// but for letters, digits and - . _ ~.
std::string path_reference(std::string_view path);

// Retrieves an address, ended by `watch` when it says so and after a minute
// in which nothing arrived. A file:// address is read from disk when it names
// a regular file, and never waits. An address with a NUL byte is not
// retrieved at all. Running out of memory leaves the body empty.
Retrieval retrieve(const std::string& url, const TransferWatch& watch = {});

// The line that says how a transfer is getting on, `silent` being how long
// nothing has arrived: that, once it is long enough to say; else how much of
// the announced length has come; else how much and how fast.
std::string status_text(const TransferProgress& progress);

// An address as a server reads it, so that two spellings of one page are one
// address: the scheme and host in lower case, the default port dropped, "."
// and ".." resolved, the fragment dropped, and escapes of unreserved
// characters decoded (decode_unreserved). Empty when it cannot be read.
std::string canonical_address(const std::string& address);
// The canonical address, or `address` as it is when it cannot be read, which
// is then its own one spelling.
std::string canonical_or_given(const std::string& address);
// The path of an address, its escapes decoded; none when it cannot be read.
std::optional<std::string> decoded_path(const std::string& address);
// %41 as A, %7e as ~: escapes of letters, digits and - . _ ~ decoded, which
// mean the same to every server; other escapes kept, their hex in capitals.
std::string decode_unreserved(std::string_view url);

// The site an address is on: its scheme, host and port, as
// "http://host:80"; empty when it cannot be read as an address.
std::string site_of(const std::string& address);

// One address to retrieve side by side with others, and how much of it to keep.
struct Wanted {
  std::string address;
  std::size_t id = 0;   // the caller's, handed back with the answer
  bool whole = false;   // the whole body, up to the 64 MiB cap; else its first line
  bool polite = false;  // on another's site: few at once from its host
};

// How retrievals side by side treat other people's servers: how many run at
// once for one host, and how a busy server's answer is tried again.
struct Politeness {
  std::size_t host_concurrency = 2;
  std::size_t retries = 2;
  std::chrono::milliseconds first_wait{1000};  // doubled for each try after
  std::chrono::seconds longest_wait{60};       // a longer Retry-After fails the link at once
};

// What a server that turned a retrieval away said.
struct TurnedAway {
  long status = 0;
  bool connection_reset = false;  // the connection broke before an answer came
  std::string_view retry_after;   // the header's value, if it came
};

// Whether a retrieval is tried again, and after how long: 429, 502, 503 and
// 504, and a reset connection, are, as their Retry-After asks (seconds or a
// date) or else after polite.first_wait, doubled for each try after, until
// polite.retries tries were made. A Retry-After over polite.longest_wait
// gives up at once, too_long, its wait said.
struct RetryWait {
  enum class Verdict { give_up, again, too_long };
  Verdict verdict = Verdict::give_up;
  std::chrono::milliseconds wait{};
};
RetryWait retry_wait(const TurnedAway& answer, std::size_t tries_done, const Politeness& polite,
                     std::time_t now);

// What a side-by-side retrieval brought.
struct SideAnswer {
  std::string failure;  // why it failed or brought no page, as retrieve says it; "" if not
  std::string body;     // the first line (or its first 64 KiB), or the whole body if wanted
  TransferStop stop = TransferStop::none;  // cut: a whole body over the cap
  long status = 0;                         // the HTTP status; 0 when none came
  std::string moved_to;                    // where a redirect points, as the server sent it
};

// The work of retrieving side by side, as the caller hands it out and takes
// it back. Each is called from the retrieving thread; `answered` may make
// more work for `next` to hand out.
struct SideBySide {
  std::function<std::optional<Wanted>()> next;  // what to retrieve next, if anything now
  std::function<void(std::size_t id, SideAnswer answer)> answered;
  std::function<bool()> stop;  // may be empty; asked at least every 200 ms
  Politeness polite{};
};

// Retrieves what `next` hands out, at most 8 at once over kept connections
// and at most polite.host_concurrency of the polite ones for one host, each
// cut after a minute in which fewer than 60 bytes came and tried again as
// retry_wait says, until `next` has nothing and nothing runs or waits
// (true), or `stop` says so (false: what runs or waits is dropped unanswered).
bool retrieve_side_by_side(const SideBySide& work);

// Called each time a link's retrieval ends: how many are done, of how many.
using LinkProgress = std::function<void(std::size_t done, std::size_t all)>;

// The first lines of the addresses, retrieved side by side, politely.
std::vector<SideAnswer> retrieve_links(const std::vector<std::string>& addresses,
                                       const Politeness& polite = {},
                                       const LinkProgress& progress = {});
