// The summary of a run on GitHub's job page, past the cap on annotations: the
// counts, then a table of the problems, whose page text can break nothing.
#include <cerrno>
#include <cstring>
#include <fstream>

#include "check/check_report.h"

namespace {

// A table cell that Markdown shows as the text it holds: every ASCII byte
// but letters, digits and spaces as a numeric character reference, so that
// no |, <, [, *, ` or :// in page text can end the cell, make markup, HTML
// or a link. Control bytes are already shown as ^X by the report's rule.
std::string cell(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || byte == ' ' || (byte >= '0' && byte <= '9') ||
        (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
      shown += c;
    else
      shown += "&#" + std::to_string(byte) + ';';
  }
  return shown;
}

}  // namespace

std::string step_summary_markdown(std::string_view summary, const std::vector<SummaryRow>& rows,
                                  std::size_t more, TextRule rule) {
  // Appended piece by piece: a chain of + on temporaries makes GCC 12 warn
  // of overlapping copies that cannot happen.
  std::string markdown = "### linebrowse\n\n";
  markdown += cell(visible(summary, rule));
  markdown += "\n\n";
  if (rows.empty()) return markdown;
  markdown += "| Where | Code | Problem |\n|---|---|---|\n";
  for (const SummaryRow& row : rows) {
    markdown += "| ";
    markdown += cell(visible(row.where, rule));
    markdown += " | ";
    markdown += cell(kind_of(row.code).name);
    markdown += " | ";
    markdown += cell(visible(row.message, rule));
    markdown += " |\n";
  }
  if (more > 0) {
    markdown += "\n";
    markdown += std::to_string(more);
    markdown += " more\n";
  }
  markdown += "\n";
  return markdown;
}

std::optional<std::string> Report::add_step_summary(const std::string& path) const {
  if (!summary_wanted) return std::nullopt;
  std::ofstream file(path, std::ios::app | std::ios::binary);
  if (file) file << step_summary_markdown(summary, rows, rows_more, rule) << std::flush;
  if (!file) return std::strerror(errno != 0 ? errno : EIO);
  return std::nullopt;
}
