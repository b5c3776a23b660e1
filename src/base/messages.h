// The words the program says to people: every line of the dialogue that more
// than one place writes, and every prompt, so that each is written one way.
#pragma once

#include <string_view>

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

// Why a retrieval failed or brought no page.
inline constexpr std::string_view retrieval_stopped = "RETRIEVAL STOPPED";
inline constexpr std::string_view retrieval_failed = "RETRIEVAL FAILED: ";
inline constexpr std::string_view out_of_memory = "RETRIEVAL FAILED: OUT OF MEMORY";
inline constexpr std::string_view page_cut = "PAGE CUT AT 64 MIB";  // page_cap_bytes
inline constexpr std::string_view holds_nul = "RETRIEVAL FAILED: THE ADDRESS HOLDS A NUL BYTE";

// What starts every line on standard error.
inline constexpr std::string_view program_prefix = "linebrowse: ";

}  // namespace message
