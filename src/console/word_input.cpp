// Reading words: from a stream as they come, or at a terminal from lines
// typed in a line editor with history, Ctrl-C and Ctrl-D as shells have them.
#include <histedit.h>

#include <algorithm>
#include <cerrno>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>

#include "console/console.h"
#include "console/terminal.h"

namespace {

// The editor and what is left of the line typed last. One for the run.
struct LineEditor {
  std::unique_ptr<EditLine, void (*)(EditLine*)> editor{nullptr, el_end};
  std::unique_ptr<History, void (*)(History*)> history{nullptr, history_end};
  std::string prompt;
  std::string line;
  std::size_t next = 0;  // where the line's next word starts
  bool at_end = false;   // after Ctrl-D every read is the end of input
};

LineEditor& line_editor() {
  static LineEditor editor;
  return editor;
}

const char* editor_prompt(EditLine* /*editor*/) { return line_editor().prompt.c_str(); }

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The next word of the line typed last, if it has one.
std::optional<std::string> next_word(LineEditor& state) {
  const std::string& line = state.line;
  while (state.next < line.size() && is_space(line[state.next])) ++state.next;
  if (state.next >= line.size()) return std::nullopt;
  const std::size_t start = state.next;
  while (state.next < line.size() && !is_space(line[state.next])) ++state.next;
  return line.substr(start, state.next - start);
}

// The next line typed, or none at Ctrl-D. Ctrl-C drops what was typed and
// shows the prompt again, as shells do.
std::optional<std::string> edit_line(LineEditor& state, std::ostream& out) {
  for (;;) {
    int count = 0;
    let_interrupts_end_reads(true);
    const char* line = el_gets(state.editor.get(), &count);
    const int error = errno;
    let_interrupts_end_reads(false);
    if (line != nullptr && count > 0) return std::string(line, static_cast<std::size_t>(count));
    if (count == -1 && error == EINTR) {
      if (interrupted_since_last_asked()) out << "^C\n" << std::flush;
      continue;
    }
    return std::nullopt;
  }
}

// Keeps a typed line for its words, and in the history unless it is blank.
void remember_line(LineEditor& state, std::string line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  state.line = std::move(line);
  state.next = 0;
  if (std::all_of(state.line.begin(), state.line.end(), is_space)) return;
  HistEvent event;
  history(state.history.get(), &event, H_ENTER, state.line.c_str());
}

std::string prompt_at_terminal(std::string_view prompt, std::ostream& out) {
  LineEditor& state = line_editor();
  if (interrupted_since_last_asked()) remember_line(state, {});  // Ctrl-C drops the rest
  if (auto word = next_word(state)) {
    out << prompt << std::flush;
    return *word;
  }
  if (state.at_end) {
    out << prompt << '\n' << std::flush;
    return {};
  }
  state.prompt = prompt;
  for (;;) {
    out.flush();
    auto line = edit_line(state, out);
    if (!line) break;
    remember_line(state, std::move(*line));
    if (auto word = next_word(state)) return *word;  // the editor has shown the prompt
  }
  state.at_end = true;
  out << '\n' << std::flush;  // so that the shell's prompt starts on a line of its own
  return {};
}

}  // namespace

void start_line_editor() {
  LineEditor& state = line_editor();
  state.history.reset(history_init());
  HistEvent event;
  history(state.history.get(), &event, H_SETSIZE, 500);
  history(state.history.get(), &event, H_SETUNIQUE, 1);
  state.editor.reset(el_init("linebrowse", stdin, stdout, stdout));
  EditLine* editor = state.editor.get();
  el_set(editor, EL_EDITOR, "emacs");
  el_set(editor, EL_PROMPT, editor_prompt);
  el_set(editor, EL_HIST, history, state.history.get());
  // Home and End as most terminals send them, beside what terminfo says.
  for (const char* home : {"\033[H", "\033OH", "\033[1~"})
    el_set(editor, EL_BIND, home, "ed-move-to-beg", nullptr);
  for (const char* end : {"\033[F", "\033OF", "\033[4~"})
    el_set(editor, EL_BIND, end, "ed-move-to-end", nullptr);
}

std::string read_word(std::istream& in) {
  std::string word;
  if (!(in >> word)) word.clear();
  return word;
}

std::string prompt_word(std::string_view prompt, std::istream& in, std::ostream& out) {
  if (at_terminal()) return prompt_at_terminal(prompt, out);
  out << prompt << std::flush;
  return read_word(in);
}
