// Inside the check: the parts of the language server (--lsp). The wire reads
// and writes JSON-RPC messages; a document is the text an editor holds; what
// is said of it (diagnostics, hovers, links, quick fixes) is made from the
// same check as --check's.
#pragma once

#include <cstddef>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "check/address_patterns.h"
#include "check/check_report.h"
#include "check/site_root.h"

using Json = nlohmann::json;

// One frame taken off the input: a message's body, or why bytes were dropped.
struct Frame {
  std::string body;
  std::optional<std::string> fault;
};

// The input as it comes, in pieces: whole frames are taken off its front.
struct WireInput {
  std::string buffer;
  std::size_t skipping = 0;  // bytes of a body too large to keep, still to drop
};

// The next frame when its bytes are all in; a body over 64 MiB, a header
// without Content-Length, or one that never ends, is dropped as a fault.
std::optional<Frame> take_frame(WireInput& input);
// A message with its Content-Length header.
std::string framed(const Json& message);

// How positions count characters within a line, as the editor and the
// server agreed at initialize.
enum class PositionEncoding { utf8, utf16 };

// An LSP position: a line and a character within it, both from 0.
struct Position {
  std::size_t line = 0;
  std::size_t character = 0;
};

// The text of a document an editor holds open, with where its lines start.
struct Document {
  std::string text;
  long long version = 0;
  // Generation of its text: links checked for an older one are not reported.
  std::size_t generation = 0;
};

// The byte offset of a position; none when its line lies outside the text.
// A character past its line's end stands for the end, as LSP says.
std::optional<std::size_t> offset_of(std::string_view text, Position position,
                                     PositionEncoding encoding);
// The position of `column` bytes into line `line` (from 0), whose text is `line_text`.
Position position_in_line(std::size_t line, std::string_view line_text, std::size_t column,
                          PositionEncoding encoding);
// Applies one change of didChange: a range and its new text, or the whole
// text when `range` is null. False, the text unchanged, when the range lies
// outside it.
bool apply_change(std::string& text, const Json& change, PositionEncoding encoding);

// What a session knows that bears on what is said of a document.
struct Workspace {
  PositionEncoding encoding = PositionEncoding::utf16;
  std::optional<SiteRoot> root;  // from linebrowse.toml: root and served-at
  // The verdicts on addresses (as a server reads them) found so far.
  std::map<std::string, LinkVerdict> verdicts;
};

// The folder a file:// URI names; none for another.
std::optional<std::string> folder_of(const Json& uri);
// The workspace's linebrowse.toml: its root and where that is served
// (served-at), offline, and the addresses left out; why it cannot be used,
// if it cannot.
std::optional<std::string> read_workspace_config(const std::string& folder, Workspace& workspace,
                                                 AddressPatterns& excluded, bool& offline);
// What the server offers an editor, positions counted as agreed.
Json capabilities(PositionEncoding encoding);

// The address following a link loads, as a server reads it, for verdicts.
std::string verdict_key(std::string_view target);

// Diagnostics of a document's text: its problems and its failing links.
Json diagnostics_of(const Document& document, const Workspace& workspace);
// The hover at a position: where the row's link goes, and its last verdict.
Json hover_at(const Document& document, Position position, const Workspace& workspace);
// A link for each row with a target, where following it goes.
Json document_links(const Document& document, const Workspace& workspace);
// Quick fixes for the diagnostics an editor hands over, where the mend is certain.
Json code_actions(const Document& document, const std::string& uri, const Json& diagnostics,
                  const Workspace& workspace);
