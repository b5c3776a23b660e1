// One line of a report as each format writes it: text for people and
// editors, a JSON object, a workflow command; escaped as each needs.
#include "check/report_lines.h"

#include <array>
#include <charconv>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

void append_number(std::string& text, std::size_t number) {
  std::array<char, 24> digits{};
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
  text.append(digits.data(), static_cast<std::size_t>(end - digits.data()));
}

}  // namespace

std::string_view severity_name(Report::Severity severity) {
  switch (severity) {
    case Report::Severity::error:
      return "error";
    case Report::Severity::warning:
      return "warning";
    case Report::Severity::note:
      break;
  }
  return "note";
}

void append_json_string(std::string& json, std::string_view text) {
  json += Json(text).dump(-1, ' ', true, Json::error_handler_t::replace);
}

// CR and LF as the format writes them, so that a name holding one still
// names its file; every other control byte shown by `rule`.
std::string github_text(std::string_view text, bool property, TextRule rule) {
  std::string escaped;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
    for (const char c : visible(text.substr(from, end - from), rule)) {
      if (c == '%')
        escaped += "%25";
      else if (property && c == ':')
        escaped += "%3A";
      else if (property && c == ',')
        escaped += "%2C";
      else
        escaped += c;
    }
    if (end < text.size()) escaped += text[end] == '\r' ? "%0D" : "%0A";
    from = end + 1;
  }
  return escaped;
}

// NAME:LINE: SEVERITY: MESSAGE [CODE]
void append_text_line(std::string& text, const ReportLine& line) {
  text += line.name;
  if (line.line != 0) {
    text += ':';
    append_number(text, line.line);
  }
  text += ": ";
  text += severity_name(line.severity);
  text += ": ";
  text += line.message;
  if (line.code) {
    text += " [";
    text += kind_of(*line.code).name;
    text += ']';
  }
  text += '\n';
}

// The object's fixed keys are written around strings the library escapes:
// with every problem of the million-record page written, 0.29 s against
// 0.66 s for a whole object made for each.
void append_json_problem(std::string& json, const ReportLine& line, std::string_view address,
                         const LinkVerdict* verdict) {
  json += "{\"name\":";
  json += line.name;
  json += ",\"line\":";
  if (line.line != 0)
    append_number(json, line.line);
  else
    json += "null";
  json += R"(,"severity":")";
  json += severity_name(line.severity);
  json += '"';
  if (line.code) {
    json += R"(,"code":")";
    json += kind_of(*line.code).name;
    json += '"';
  }
  json += ",\"message\":";
  append_json_string(json, line.message);
  if (verdict != nullptr) {
    json += ",\"address\":";
    append_json_string(json, address);
    if (verdict->status != 0) {
      json += ",\"status\":";
      append_number(json, static_cast<std::size_t>(verdict->status));
    } else {
      json += ",\"failure\":";
      append_json_string(json, verdict->why);
    }
  }
  json += "}\n";
}

// ::SEVERITY file=NAME,line=LINE::MESSAGE [CODE]
void append_annotation(std::string& text, const ReportLine& line, TextRule rule) {
  text += "::";
  text += line.severity == Report::Severity::note ? "notice" : severity_name(line.severity);
  text += " file=";
  text += line.name;
  if (line.line != 0) {
    text += ",line=";
    append_number(text, line.line);
  }
  text += "::";
  text += github_text(line.message, false, rule);
  if (line.code) {
    text += " [";
    text += kind_of(*line.code).name;
    text += ']';
  }
  text += '\n';
}
