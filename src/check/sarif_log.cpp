// The report as one SARIF 2.1.0 log, for code scanning: the tool and its
// rules (one for each kind of problem), then one result for each problem.
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/ascii.h"
#include "check/report_lines.h"

namespace {

using Json = nlohmann::ordered_json;

// In ASCII, invalid UTF-8 replaced, as the JSON Lines report writes it.
std::string dumped(const Json& json) {
  return json.dump(-1, ' ', true, Json::error_handler_t::replace);
}

// Where a page is, as a URI reference: its address, or its file's path
// relative to the current folder, where code scanning looks for it.
std::string location_of(std::string_view name) {
  if (!scheme_written(name).empty()) return percent_encoded(name);
  std::filesystem::path path(name);
  if (path.is_absolute()) {
    std::error_code failed;
    const std::filesystem::path here = std::filesystem::current_path(failed);
    if (!failed) path = path.lexically_proximate(here);
  }
  return path_reference(path.lexically_normal().generic_string());
}

Json location(const ReportLine& line) {
  Json physical = {{"artifactLocation", {{"uri", location_of(line.name)}}}};
  if (line.line != 0) physical["region"] = {{"startLine", line.line}};
  return Json::array({{{"physicalLocation", physical}}});
}

Json rules() {
  Json all = Json::array();
  for (const ProblemKind& kind : problem_kinds())
    all.push_back({{"id", kind.name},
                   {"shortDescription", {{"text", kind.description}}},
                   {"defaultConfiguration", {{"level", kind.error ? "error" : "warning"}}}});
  return all;
}

void append_listed(std::string& json, const Json& item) {
  if (!json.empty()) json += ',';
  json += dumped(item);
}

}  // namespace

void append_sarif_result(std::string& json, const ReportLine& line) {
  append_listed(json, {{"ruleId", kind_of(*line.code).name},
                       {"ruleIndex", static_cast<std::size_t>(*line.code)},
                       {"level", severity_name(line.severity)},
                       {"message", {{"text", line.message}}},
                       {"locations", location(line)}});
}

void append_sarif_note(std::string& json, const ReportLine& line) {
  append_listed(
      json,
      {{"level", "note"}, {"message", {{"text", line.message}}}, {"locations", location(line)}});
}

// The log's fixed parts are written around the results, which are kept as
// JSON text rather than as objects: a tenth of the memory for a big report.
void Report::write_sarif(const ReportEnd& end) {
  const Json tool = {
      {"driver", {{"name", "linebrowse"}, {"version", LINEBROWSE_VERSION}, {"rules", rules()}}}};
  Json invocation = {{"executionSuccessful", !end.stopped}};
  if (!sarif_notes.empty()) invocation["toolExecutionNotifications"] = Json::array();
  const Json properties = {{"summary", summary},    {"errors", errors_},
                           {"warnings", warnings_}, {"ignored", ignored},
                           {"pages", end.pages},    {"from_cache", end.from_cache}};
  waiting += R"({"$schema":"https://json.schemastore.org/sarif-2.1.0.json","version":"2.1.0",)";
  waiting += R"("runs":[{"tool":)" + dumped(tool) + R"(,"invocations":[)";
  std::string invoked = dumped(invocation);
  if (!sarif_notes.empty())  // the notes go in the empty array the library wrote
    invoked.insert(invoked.size() - 2, sarif_notes);
  waiting += invoked + R"(],"results":[)";
  waiting += sarif_results;
  waiting += R"(],"properties":)" + dumped(properties) + "}]}\n";
  sarif_results.clear();
  sarif_notes.clear();
}
