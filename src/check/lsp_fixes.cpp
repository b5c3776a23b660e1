// The language server's quick fixes, offered only where the mend is
// certain: the last record made the terminator, CR LF turned into LF, an
// https target written as readers load it.
#include <algorithm>

#include "check/language_server.h"
#include "web/web.h"

namespace {

Json edit(std::string_view text, std::size_t from, std::size_t to, const std::string& new_text,
          PositionEncoding encoding) {
  const auto position = [&](std::size_t offset) {
    const std::size_t start = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const std::size_t line_start = start == std::string_view::npos || offset == 0 ? 0 : start + 1;
    const std::size_t line =
        static_cast<std::size_t>(std::count(text.begin(), text.begin() + line_start, '\n'));
    const std::size_t end = std::min(text.find('\n', line_start), text.size());
    const Position at = position_in_line(line, text.substr(line_start, end - line_start),
                                         offset - line_start, encoding);
    return Json{{"line", at.line}, {"character", at.character}};
  };
  return {{"range", {{"start", position(from)}, {"end", position(to)}}}, {"newText", new_text}};
}

// The offset of a view into the text.
std::size_t offset_in(std::string_view text, std::string_view part) {
  return static_cast<std::size_t>(part.data() - text.data());
}

// The last line that holds a record becomes the terminator when its flag is
// the plain one: readers then see the rows they see now, and no more.
std::optional<Json> terminator_fix(std::string_view text, PositionEncoding encoding) {
  std::size_t end = text.size();
  if (end > 0 && text[end - 1] == '\n') --end;
  while (true) {
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    const std::size_t from = start == std::string_view::npos || end == 0 ? 0 : start + 1;
    const std::string_view line = text.substr(from, end - from);
    if (const std::optional<RecordFields> fields = record_fields(line)) {
      if (fields->flag != "-") return std::nullopt;
      const std::size_t at = offset_in(text, fields->flag);
      return edit(text, at, at + 1, "\\", encoding);
    }
    if (from == 0) return std::nullopt;
    end = from - 1;
  }
}

Json crlf_fix(std::string_view text, PositionEncoding encoding) {
  Json edits = Json::array();
  for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1))
    if (at + 1 == text.size() || text[at + 1] == '\n')
      edits.push_back(edit(text, at, at + 1, "", encoding));
  return edits;
}

// The https target of the diagnostic's line, written as readers load it.
std::optional<Json> https_fix(std::string_view text, std::size_t line, PositionEncoding encoding,
                              std::string& loaded) {
  const std::optional<std::size_t> start = offset_of(text, {line, 0}, encoding);
  if (!start) return std::nullopt;
  const std::size_t end = std::min(text.find('\n', *start), text.size());
  const std::optional<RecordFields> fields = record_fields(text.substr(*start, end - *start));
  if (!fields || fields->target.empty()) return std::nullopt;
  const NormalizedUrl url = normalize_url(fields->target);
  if (!url.was_https) return std::nullopt;
  loaded = url.address;
  const std::size_t at = offset_in(text, fields->target);
  return edit(text, at, at + fields->target.size(), loaded, encoding);
}

Json action(const std::string& title, const Json& diagnostic, const std::string& uri, Json edits) {
  return {{"title", title},
          {"kind", "quickfix"},
          {"diagnostics", Json::array({diagnostic})},
          {"edit", {{"changes", {{uri, std::move(edits)}}}}}};
}

}  // namespace

Json code_actions(const Document& document, const std::string& uri, const Json& diagnostics,
                  const Workspace& workspace) {
  Json actions = Json::array();
  if (!diagnostics.is_array()) return actions;
  const std::string_view text = document.text;
  for (const Json& diagnostic : diagnostics) {
    if (!diagnostic.is_object() || diagnostic.value("source", "") != "linebrowse") continue;
    const std::optional<ProblemCode> code = code_named(diagnostic.value("code", ""));
    if (code == ProblemCode::no_terminator) {
      if (std::optional<Json> fix = terminator_fix(text, workspace.encoding))
        actions.push_back(action("End the page at its last record (make it the terminator)",
                                 diagnostic, uri, Json::array({*fix})));
    } else if (code == ProblemCode::crlf) {
      actions.push_back(
          action("Turn every CR LF into LF", diagnostic, uri, crlf_fix(text, workspace.encoding)));
    } else if (code == ProblemCode::https_target) {
      const Json line =
          diagnostic.value("range", Json()).value("start", Json()).value("line", Json());
      std::string loaded;
      if (!line.is_number_unsigned()) continue;
      if (std::optional<Json> fix =
              https_fix(text, line.get<std::size_t>(), workspace.encoding, loaded))
        actions.push_back(action("Write the target as readers load it: " + loaded, diagnostic, uri,
                                 Json::array({*fix})));
    }
  }
  return actions;
}
