// Reading words: from a stream as they come, or at a terminal from lines
// typed in a line editor with a history for each prompt, as shells have them.
#include "console/word_input.h"

#include <histedit.h>

#include <algorithm>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>

#include "base/ascii.h"
#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/history_file.h"
#include "console/terminal.h"

void EndEditor::operator()(EditLine* editor) const { el_end(editor); }
void EndHistory::operator()(History* list) const { history_end(list); }

namespace {

History* history_for(ConsoleState& state, Recall recall) {
  return recall == Recall::commands ? state.command_history.get() : state.address_history.get();
}

void add_to_history(History* history, const std::string& line) {
  HistEvent event;
  ::history(history, &event, H_ENTER, line.c_str());
}

// The console an editor works for, which it keeps as its client data.
Console& console_of(EditLine* editor) {
  Console* console = nullptr;
  el_get(editor, EL_CLIENTDATA, &console);
  return *console;
}

const char* editor_prompt(EditLine* editor) { return console_of(editor).state->prompt.c_str(); }

// The next word of the line typed last, if it has one. At the command
// prompt a word that starts with / is a search, which takes the rest of the
// line, spaces and all.
std::optional<std::string> next_word(ConsoleState& state, Recall recall) {
  const std::string& line = state.line;
  while (state.next < line.size() && is_space(line[state.next])) ++state.next;
  if (state.next >= line.size()) return std::nullopt;
  const std::size_t start = state.next;
  if (recall == Recall::commands && line[start] == '/') state.next = line.size();
  while (state.next < line.size() && !is_space(line[state.next])) ++state.next;
  return line.substr(start, state.next - start);
}

// Ctrl-C while a line is edited, in the history search too: the line is
// dropped, as shells drop it, and ^C stands after it. Its rest may hold
// escapes typed with Ctrl-V, so it is shown as network text is.
unsigned char cancel_line(EditLine* editor, int /*key*/) {
  Console& console = console_of(editor);
  const LineInfo* line = el_line(editor);
  std::string rest;
  append_visible(rest, {line->cursor, static_cast<std::size_t>(line->lastchar - line->cursor)},
                 console.mode.output_rule);
  rest += "^C\n";
  std::fwrite(rest.data(), 1, rest.size(), stdout);
  std::fflush(stdout);
  ctrl_c_key(*console.state);
  return CC_NEWLINE;
}

// Ctrl-Z while a line is edited: the terminal goes back to how the run found
// it while the program is stopped; `fg` shows the prompt and the line again.
unsigned char suspend_editing(EditLine* /*editor*/, int /*key*/) {
  suspend_run();
  return CC_REDISPLAY;
}

unsigned char do_nothing(EditLine* /*editor*/, int /*key*/) { return CC_NORM; }

// Names given as wide text stay ours: the editor would copy narrow ones and
// never free the copies.
void add_function(EditLine* editor, const wchar_t* name, const wchar_t* help,
                  unsigned char (*function)(EditLine*, int)) {
  el_wset(editor, EL_ADDFN, name, help, function);
}

void bind_keys(EditLine* editor, const std::string& keys, const char* action) {
  el_set(editor, EL_BIND, keys.c_str(), action, nullptr);
}

// A key as xterm sends it with Shift, Alt or Ctrl held: ESC [, its code, ;2
// to ;8 for the modifiers, and its last byte.
void bind_modified(EditLine* editor, const std::string& code, char last, const char* action) {
  for (char modifier = '2'; modifier <= '8'; ++modifier)
    bind_keys(editor, "\033[" + code + ";" + modifier + last, action);
}

// Keys beyond what terminfo tells the editor. Insert, PageUp, PageDown and
// the function keys have no use here, but unbound they would leave the tail
// of their escape sequence on the line.
void bind_terminal_keys(EditLine* editor) {
  add_function(editor, L"linebrowse-nothing", L"do nothing", do_nothing);
  const char* nothing = "linebrowse-nothing";
  for (int code :
       {2, 5, 6, 11, 12, 13, 14, 15, 17, 18, 19, 20, 21, 23, 24, 25, 26, 28, 29, 31, 32, 33, 34}) {
    bind_keys(editor, "\033[" + std::to_string(code) + "~", nothing);
    bind_modified(editor, std::to_string(code), '~', nothing);
  }
  for (char f : std::string_view("PQRS")) {  // F1 to F4
    bind_keys(editor, std::string("\033O") + f, nothing);
    bind_modified(editor, "1", f, nothing);
  }
  for (char f : std::string_view("ABCDE")) bind_keys(editor, std::string("\033[[") + f, nothing);
  // Home and End as most terminals send them; moving keys with modifiers.
  for (const char* home : {"\033[H", "\033OH", "\033[1~", "\033[7~"})
    bind_keys(editor, home, "ed-move-to-beg");
  for (const char* end : {"\033[F", "\033OF", "\033[4~", "\033[8~"})
    bind_keys(editor, end, "ed-move-to-end");
  bind_modified(editor, "1", 'H', "ed-move-to-beg");
  bind_modified(editor, "1", 'F', "ed-move-to-end");
  bind_modified(editor, "1", 'A', "ed-prev-history");
  bind_modified(editor, "1", 'B', "ed-next-history");
  bind_modified(editor, "1", 'C', "em-next-word");
  bind_modified(editor, "1", 'D', "ed-prev-word");
  bind_modified(editor, "3", '~', "ed-delete-next-char");
}

// What editing one line brought: the line, or Ctrl-C, or Ctrl-D.
struct Edited {
  Answer::Kind kind;
  std::string line;
};

// The next line typed. The editor takes Ctrl-C and Ctrl-Z as keys while it
// waits, so that no signal breaks the line being edited.
Edited edit_line(ConsoleState& state, Recall recall) {
  EditLine* editor = state.editor.get();
  el_set(editor, EL_HIST, history, history_for(state, recall));
  el_resize(editor);
  if (!state.typed_ahead.empty()) el_push(editor, state.typed_ahead.c_str());
  state.typed_ahead.clear();
  int count = 0;
  listen_for_keys(state);  // before the editor shows its prompt, a Ctrl-C is a key
  const char* line = el_gets(editor, &count);
  keep_keys_waiting(state);
  if (prompt_takes_ctrl_c(state)) return {Answer::cancelled, {}};
  if (line == nullptr || count <= 0) return {Answer::ended, {}};
  return {Answer::typed, std::string(line, static_cast<std::size_t>(count))};
}

// Keeps a typed line for its words, and in the prompt's history unless it is
// blank.
void remember_line(ConsoleState& state, std::string line, Recall recall) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  state.line = std::move(line);
  state.next = 0;
  if (std::all_of(state.line.begin(), state.line.end(), is_space)) return;
  add_to_history(history_for(state, recall), state.line);
  if (auto kept = kept_line(state.line, recall)) state.lines_to_keep.push_back(std::move(*kept));
}

Answer prompt_at_terminal(Console& console, std::string_view prompt, Recall recall) {
  ConsoleState& state = *console.state;
  std::ostream& out = console.out;
  state.lines_since_prompt = 0;
  if (prompt_takes_ctrl_c(state)) {  // Ctrl-C drops the rest of what was typed
    drop_waiting_words(console);
    state.typed_ahead.clear();
  }
  if (auto word = next_word(state, recall)) {
    // Shown as if typed, so that the screen reads prompt, word, result; in
    // the notation of network text, since the line may have come from the
    // history or held escapes typed with Ctrl-V.
    std::string shown(prompt);
    append_visible(shown, *word, console.mode.output_rule);
    out << shown << '\n' << std::flush;
    return {Answer::typed, std::move(*word)};
  }
  state.prompt = prompt;
  for (;;) {
    out.flush();
    Edited edited = edit_line(state, recall);
    if (edited.kind == Answer::cancelled) return {Answer::cancelled, {}};
    if (edited.kind == Answer::ended) break;
    remember_line(state, std::move(edited.line), recall);
    if (auto word = next_word(state, recall)) return {Answer::typed, std::move(*word)};
  }
  out << '\n' << std::flush;  // so that what comes next starts on a line of its own
  return {Answer::ended, {}};
}

}  // namespace

void start_line_editor(Console& console) {
  ConsoleState& state = *console.state;
  state.command_history = new_history();
  state.address_history = new_history();
  state.editor.reset(el_init("linebrowse", stdin, stdout, stdout));
  EditLine* editor = state.editor.get();
  el_set(editor, EL_CLIENTDATA, &console);
  el_set(editor, EL_EDITOR, "emacs");
  el_set(editor, EL_PROMPT, editor_prompt);
  // While a line is edited, Ctrl-C and Ctrl-Z arrive as keys, not signals.
  el_set(editor, EL_SETTY, "-d", "-isig", nullptr);
  add_function(editor, L"linebrowse-cancel", L"drop the line", cancel_line);
  el_set(editor, EL_BIND, "^C", "linebrowse-cancel", nullptr);
  add_function(editor, L"linebrowse-suspend", L"suspend", suspend_editing);
  el_set(editor, EL_BIND, "^Z", "linebrowse-suspend", nullptr);
  bind_terminal_keys(editor);
}

void stop_line_editor(ConsoleState& state) { state.editor.reset(); }

std::string read_word(std::istream& in) {
  std::string word;
  if (!(in >> word)) word.clear();
  return word;
}

Answer prompt_word(Console& console, std::string_view prompt, Recall recall) {
  if (console.mode.terminal) return prompt_at_terminal(console, prompt, recall);
  console.out << prompt << std::flush;
  return {Answer::typed, read_word(console.in)};
}

void drop_waiting_words(Console& console) {
  console.state->line.clear();
  console.state->next = 0;
}

void remember_address(Console& console, const std::string& address) {
  if (console.mode.terminal) add_to_history(console.state->address_history.get(), address);
}
