// What the language server says of a document: its problems as --check
// finds them, with its failing links; where a row's link goes; links an
// editor can follow; and the quick fixes whose mend is certain.
#include <algorithm>

#include "base/limits.h"
#include "base/messages.h"
#include "check/language_server.h"
#include "web/web.h"

namespace {

// An editor shows this many diagnostics of a document at most; more would
// only slow it, and a note says how many more there are.
constexpr std::size_t most_diagnostics = 1000;

// The lines of a text, found once: where each starts.
struct Lines {
  std::string_view text;
  std::vector<std::size_t> starts;

  explicit Lines(std::string_view text) : text(text), starts{0} {
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', at + 1))
      starts.push_back(at + 1);
  }
  // Line `line` (from 0) without its line feed; empty past the end.
  std::string_view line(std::size_t line) const {
    if (line >= starts.size()) return {};
    const std::size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
    return text.substr(starts[line], end - starts[line]);
  }
};

Json position_json(Position position) {
  return {{"line", position.line}, {"character", position.character}};
}

// The range of `part`, a view into line `line`, or of the whole line when
// `part` is empty or not in it.
Json range_of(const Lines& lines, std::size_t line, std::string_view part,
              PositionEncoding encoding) {
  const std::string_view text = lines.line(line);
  std::size_t from = 0;
  std::size_t to = text.size();
  if (!part.empty() && part.data() >= text.data() &&
      part.data() + part.size() <= text.data() + text.size()) {
    from = static_cast<std::size_t>(part.data() - text.data());
    to = from + part.size();
  }
  return {{"start", position_json(position_in_line(line, text, from, encoding))},
          {"end", position_json(position_in_line(line, text, to, encoding))}};
}

// The part of a line a problem concerns.
std::string_view field_of(std::string_view line, ProblemField field) {
  const std::optional<RecordFields> fields = record_fields(line);
  if (!fields || field == ProblemField::line) return {};
  return field == ProblemField::label ? fields->label : fields->target;
}

Json diagnostic(const Lines& lines, std::size_t line, std::string_view part, ProblemCode code,
                const std::string& message, PositionEncoding encoding) {
  const ProblemKind& kind = kind_of(code);
  return {{"range", range_of(lines, line, part, encoding)},
          {"severity", kind.error ? 1 : 2},
          {"code", kind.name},
          {"source", "linebrowse"},
          {"message", message}};
}

// The text as readers get it: its first 64 MiB, cut at a line's end.
std::string_view checked_text(std::string_view text) {
  if (text.size() <= page_cap_bytes) return text;
  text = text.substr(0, page_cap_bytes);
  return text.substr(0, text.rfind('\n') + 1);
}

// Where following a target goes: a file under the root, or the address.
std::string destination(std::string_view target, const Workspace& workspace) {
  std::string loaded = normalize_url(target).address;
  if (workspace.root)
    if (const auto file = file_for(*workspace.root, canonical_or_given(loaded)))
      return file_address(workspace.root->real + "/" + file->relative);
  return loaded;
}

}  // namespace

std::string verdict_key(std::string_view target) {
  return canonical_or_given(normalize_url(target).address);
}

Json diagnostics_of(const Document& document, const Workspace& workspace) {
  const std::string_view text = checked_text(document.text);
  const Lines lines(text);
  Json all = Json::array();
  std::size_t more = 0;
  const auto add = [&](Json made) {
    if (all.size() < most_diagnostics)
      all.push_back(std::move(made));
    else
      ++more;
  };
  if (text.size() < document.text.size())
    add(diagnostic(lines, 0, {}, ProblemCode::page_over_cap, message::page_over_cap(),
                   workspace.encoding));
  const PageCheckSink sink{
      [&](const PageProblem& problem) {
        const std::size_t line = problem.line == 0 ? 0 : problem.line - 1;
        add(diagnostic(lines, line, field_of(lines.line(line), problem.field), problem.code,
                       problem.message, workspace.encoding));
      },
      [&](std::size_t line, std::string_view target) {
        const auto found = workspace.verdicts.find(verdict_key(target));
        if (found == workspace.verdicts.end() || found->second.good()) return;
        add(diagnostic(lines, line - 1, target, code_of(found->second),
                       "link to " + normalize_url(target).address + ": " + found->second.why,
                       workspace.encoding));
      },
  };
  check_page(text, TextRule::raw, sink);
  if (more > 0)
    all.push_back({{"range", range_of(lines, 0, {}, workspace.encoding)},
                   {"severity", 3},
                   {"source", "linebrowse"},
                   {"message", std::to_string(more) + " more problems not shown"}});
  return all;
}

Json hover_at(const Document& document, Position position, const Workspace& workspace) {
  const Lines lines(document.text);
  const std::optional<RecordFields> fields = record_fields(lines.line(position.line));
  if (!fields || fields->target.empty()) return nullptr;
  std::string says = "Goes to " + destination(fields->target, workspace);
  const auto found = workspace.verdicts.find(verdict_key(fields->target));
  if (found == workspace.verdicts.end())
    says += "\nNot checked yet: links are checked on open and on save.";
  else if (found->second.good())
    says += "\nLast checked: it leads to a page.";
  else
    says += "\nLast checked: it fails: " + found->second.why;
  return {{"contents", {{"kind", "plaintext"}, {"value", says}}},
          {"range", range_of(lines, position.line, fields->target, workspace.encoding)}};
}

Json document_links(const Document& document, const Workspace& workspace) {
  const Lines lines(document.text);
  Json links = Json::array();
  each_target(document.text, [&](std::size_t line, std::string_view target) {
    links.push_back({{"range", range_of(lines, line - 1, target, workspace.encoding)},
                     {"target", destination(target, workspace)}});
  });
  return links;
}
