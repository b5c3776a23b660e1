// Text of the program's own, such as the list of commands: each line wrapped
// between words to the screen's width, and shown a screenful at a time.
#include <optional>
#include <string>
#include <vector>

#include "view/paging_walk.h"
#include "view/view.h"

namespace {

// Where a wrapped line's later lines start: under the description of a
// command ("  d       show the page again"), else under the line's own start.
std::size_t hanging_indent(std::string_view line, std::size_t width) {
  const std::size_t own = line.find_first_not_of(' ');
  std::size_t indent = own == std::string_view::npos ? 0 : own;
  if (own == 2) {
    const std::size_t word_end = line.find(' ', own);
    const std::size_t described = line.find_first_not_of(' ', word_end);
    if (word_end != std::string_view::npos && described != std::string_view::npos &&
        described > word_end)
      indent = described;
  }
  return indent * 2 < width ? indent : 0;
}

void wrap_line(std::string_view line, std::size_t width, std::vector<std::string>& lines) {
  const std::string indent(hanging_indent(line, width), ' ');
  std::string_view rest = line;
  bool first = true;
  while (!rest.empty()) {
    const std::size_t room = first ? width : width - indent.size();
    std::size_t cut = rest.size();
    std::size_t next = rest.size();
    if (rest.size() > room) {
      const std::size_t space = rest.rfind(' ', room);
      cut = space == std::string_view::npos || space == 0 ? room : space;  // a word too long is cut
      next = rest.find_first_not_of(' ', cut);
      if (next == std::string_view::npos) next = rest.size();
    }
    lines.push_back((first ? std::string() : indent) + std::string(rest.substr(0, cut)));
    rest.remove_prefix(next);
    first = false;
  }
  if (first) lines.emplace_back();
}

// The lines of the text, one to each line of the screen.
struct TextLines {
  using Position = std::size_t;

  ConsoleWriter& screen;
  const std::vector<std::string>& text;
  const TextMarks* marks = nullptr;

  Position first() const { return 0; }
  bool done(Position at) const { return at >= text.size(); }
  Position end() const { return text.size(); }
  Position next(Position at) const { return at + 1; }
  Position previous(Position at) const { return at - 1; }
  std::size_t lines(Position at) const { return marked_lines(screen, marks, "", text[at], ""); }
  std::optional<Position> find_from(Position from, const TextFinder& finder) {
    return first_holding(*this, from, [&](Position at) { return finder.found_in(text[at]); });
  }
  std::optional<Position> find_before(Position before, const TextFinder& finder) {
    return last_holding_before(*this, before,
                               [&](Position at) { return finder.found_in(text[at]); });
  }
  Room show(Position at) { return show_marked_row(screen, marks, "", text[at], ""); }
  void restart(Position /*at*/) {}
};

// The text's lines, as they stand.
std::vector<std::string> source_lines(std::string_view text) {
  std::vector<std::string> lines;
  if (text.ends_with('\n')) text.remove_suffix(1);
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t end = std::min(text.find('\n', from), text.size());
    lines.emplace_back(text.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}

// The text's lines, a command's description that goes on over more lines of
// the text joined into one, so that it is wrapped as one.
std::vector<std::string> joined_lines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::string& line : source_lines(text)) {
    const std::size_t own = line.find_first_not_of(' ');
    if (!lines.empty() && own != std::string::npos && own > 2 && lines.back().starts_with("  "))
      (lines.back() += ' ') += line.substr(own);
    else
      lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

std::vector<std::string> wrapped_lines(std::string_view text, std::size_t width) {
  if (width == 0) return source_lines(text);
  std::vector<std::string> lines;
  for (const std::string& line : joined_lines(text)) {
    if (line.size() <= width)
      lines.push_back(line);
    else
      wrap_line(line, width, lines);
  }
  return lines;
}

void display_text(std::string_view text, Console& console) {
  ConsoleWriter screen(console);
  const std::vector<std::string> lines = wrapped_lines(text, screen.width());
  TextLines walk{screen, lines};
  page_through(screen, walk);
  screen.finish();
}
