// The words the program says to people: every line of the dialogue that more
// than one place writes, and every prompt, so that each is written one way.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/limits.h"

namespace message {

inline constexpr std::string_view url_prompt = "Enter URL: ";
inline constexpr std::string_view command_prompt = "Enter line number or command: ";

inline constexpr std::string_view connecting_to = "CONNECTING TO ";
inline constexpr std::string_view https_not_supported = "HTTPS NOT SUPPORTED";
inline constexpr std::string_view error_decoding_page = "ERROR DECODING PAGE";
inline constexpr std::string_view invalid_link = "INVALID LINK";
inline constexpr std::string_view exiting = "EXITING";
inline constexpr std::string_view title = "TITLE: ";

// At a terminal only.
inline constexpr std::string_view staying_on = "STAYING ON ";
inline constexpr std::string_view no_page_to_go_back_to = "NO PAGE TO GO BACK TO";
inline constexpr std::string_view no_records = "(NO RECORDS)";
inline constexpr std::string_view no_row_matches = "NO ROW MATCHES";
inline constexpr std::string_view no_links = "NO LINKS";
inline constexpr std::string_view at_line = "AT LINE ";
inline constexpr std::string_view out_of_memory_here = "(OUT OF MEMORY)";
inline constexpr std::string_view empty_line = "(EMPTY LINE)";
inline constexpr std::string_view unknown_command = "UNKNOWN COMMAND: ";
inline constexpr std::string_view lists_the_commands_after = " (? LISTS THE COMMANDS)";
inline constexpr std::string_view lists_the_commands = "? LISTS THE COMMANDS";
inline constexpr std::string_view file_of_that_name = "A FILE OF THAT NAME IS HERE: TYPE ./";
inline constexpr std::string_view no_search_to_repeat = "NO SEARCH TO REPEAT (/TEXT FINDS ROWS)";
inline constexpr std::string_view no_row_holds = "NO ROW HOLDS ";
// What h lists at the pause between screenfuls, each line narrower than a
// window of 40 columns.
inline constexpr std::array<std::string_view, 8> pause_keys = {
    "SPACE f PAGEDOWN   NEXT SCREEN",
    "ENTER j DOWN       NEXT ROW",
    "b k PAGEUP UP      SCREEN BEFORE",
    "/TEXT ENTER        FIND TEXT",
    "n N                NEXT, EARLIER MATCH",
    "G                  LAST SCREEN",
    "q CTRL-C           STOP",
    "0-9                START A COMMAND",
};
inline constexpr std::string_view at = "AT ";
inline constexpr std::string_view back_to = "BACK TO ";
inline constexpr std::string_view bookmarked = "BOOKMARKED: ";
inline constexpr std::string_view already_bookmarked = "ALREADY BOOKMARKED: ";
inline constexpr std::string_view no_bookmarks_yet =
    "NO BOOKMARKS YET (a ADDS THE PAGE YOU ARE ON)";
inline constexpr std::string_view no_bookmark_on_disk =
    "A PAGE ON DISK IS NOT BOOKMARKED: LINKS NEVER REACH A FILE";
inline const std::string bookmarks_not_read = "BOOKMARKS NOT READ: ";
inline constexpr std::string_view bookmarks_without_home = "BOOKMARKS NOT KEPT: NO HOME FOLDER";
inline const std::string bookmark_not_kept = "BOOKMARK NOT KEPT: ";
inline constexpr std::string_view bookmark_removed = "BOOKMARK REMOVED: ";
inline const std::string bookmark_not_removed = "BOOKMARK NOT REMOVED: ";
inline constexpr std::string_view no_bookmark_on_row = "NO BOOKMARK ON ROW ";
inline constexpr std::string_view title_is_no_bookmark = "ROW 0 IS THE TITLE, NO BOOKMARK";
inline constexpr std::string_view not_on_bookmarks =
    "-N REMOVES ROW N'S BOOKMARK WHILE THE BOOKMARKS ARE SHOWN (m SHOWS THEM)";
inline std::string bookmarks_too_big() {
  return "BOOKMARKS NOT READ: THE FILE IS OVER " + std::to_string(page_cap_mib) +
         " MiB (NOTHING WRITTEN)";
}

// Why a retrieval failed or brought no page.
inline constexpr std::string_view retrieval_stopped = "RETRIEVAL STOPPED";
inline constexpr std::string_view retrieval_failed = "RETRIEVAL FAILED: ";
inline constexpr std::string_view out_of_memory = "RETRIEVAL FAILED: OUT OF MEMORY";
inline constexpr std::string_view out_of_memory_alone = "OUT OF MEMORY";
// A body without any record, whatever its status.
inline constexpr std::string_view not_a_page = "NOT A PAGE (NO RECORD IN IT)";
inline constexpr std::string_view not_a_file = "NOT A FILE: ";  // a FIFO, a device, a folder
inline constexpr std::string_view holds_nul = "RETRIEVAL FAILED: THE ADDRESS HOLDS A NUL BYTE";

// What starts every line on standard error.
inline constexpr std::string_view program_prefix = "linebrowse: ";
inline constexpr std::string_view try_help = "Try 'linebrowse --help'.\n";
inline const std::string write_error = "write error: ";

// A body cut at the cap: the dialogue's line, and the check's warning.
inline std::string page_cut() { return "PAGE CUT AT " + std::to_string(page_cap_mib) + " MIB"; }
inline std::string page_over_cap() {
  const std::string cap = std::to_string(page_cap_mib) + " MiB";
  return "page over " + cap + ": readers get only its first " + cap;
}

// The status lines of the checks, at a terminal.
inline std::string checking_links(std::size_t done, std::size_t all) {
  return "CHECKING LINKS: " + std::to_string(done) + " OF " + std::to_string(all);
}
inline std::string checking_site(std::size_t pages, std::size_t waiting, std::size_t links) {
  return "CHECKING SITE: " + std::to_string(pages) + (pages == 1 ? " PAGE" : " PAGES") +
         " CHECKED, " + std::to_string(waiting) + " WAITING, " + std::to_string(links) +
         (links == 1 ? " LINK" : " LINKS") + " CHECKED, CTRL-C STOPS";
}
inline std::string stopped_by_ctrl_c(std::size_t not_retrieved, std::size_t addresses) {
  return "stopped by Ctrl-C: " + std::to_string(not_retrieved) + " of " +
         std::to_string(addresses) + " addresses not retrieved";
}

}  // namespace message
