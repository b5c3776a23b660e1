// The pause between screenfuls: its line and keys, the text typed after /,
// the lines it says while it waits, and the lines shown only for a while.
#include "console/pause.h"

#include <optional>
#include <ostream>

#include "base/messages.h"
#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/terminal.h"

namespace {

constexpr std::string_view erase_line = "\r\033[K";

// Noted before it is written: a signal that ends the run while it is being
// written still erases it.
void show_passing_line(Console& console, std::string_view line) {
  note_passing_line(!console.mode.dumb);
  console.out << line << std::flush;
}

// The text to find, as the pause's line shows it.
std::string search_line(std::string_view text, TextRule rule) {
  std::string line = "/";
  append_visible(line, text, rule);
  return line;
}

// Whether the search line for `text` leaves a column for the cursor.
bool search_line_fits(std::string_view text, std::size_t columns, TextRule rule) {
  Span span{columns};
  span.place_ascii("/");
  each_shown_piece(text, rule, false, [&span](std::string_view shown, bool passed) {
    span.place_piece(shown, passed);
    return span.lines == 1;
  });
  return span.lines == 1 && span.column < columns;
}

// Whether `text` ends inside a UTF-8 character whose other bytes are still
// to come, so that it is not shown half typed.
bool ends_inside_character(std::string_view text) {
  std::size_t continuing = 0;
  for (auto byte = text.rbegin(); byte != text.rend() && continuing < 4; ++byte) {
    const auto c = static_cast<unsigned char>(*byte);
    if ((c & 0xc0) == 0x80) {
      ++continuing;
      continue;
    }
    const std::size_t needs = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
    return continuing < needs;
  }
  return false;
}

// Takes back the last character typed: in a UTF-8 locale all its bytes.
void take_back_character(std::string& text, TextRule rule) {
  if (rule == TextRule::utf8)
    while (text.size() > 1 && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80)
      text.pop_back();
  text.pop_back();
}

bool is_backspace(std::string_view key) { return key == "\x7f" || key == "\b"; }

// How a key typed after / ends the line, if it does: Enter; Escape, or
// Backspace on nothing, going back to the pause; Ctrl-C or the end of input.
std::optional<SearchLine::Kind> line_ended_by(std::string_view key, bool nothing_typed) {
  if (key.empty() || key == "\x03") return SearchLine::stopped;
  if (key == "\r" || key == "\n") return SearchLine::typed;
  if (key == "\x1b" || (is_backspace(key) && nothing_typed)) return SearchLine::cancelled;
  return std::nullopt;
}

// A key typed into the text after /: Backspace takes back a character, a
// byte from Space up is added, and any other key or sequence does nothing. A
// character is judged whole: one that would overflow the line is taken back.
// Says whether the text ends inside a character still being typed.
bool type_key(std::string& text, std::string_view key, std::size_t columns, TextRule rule) {
  const bool added =
      !is_backspace(key) && key.size() == 1 && static_cast<unsigned char>(key[0]) >= 0x20;
  if (added) text += key;
  const bool half_typed = rule == TextRule::utf8 && ends_inside_character(text);
  if (is_backspace(key) || (added && !half_typed && !search_line_fits(text, columns, rule)))
    take_back_character(text, rule);
  return half_typed;
}

// The search line after a key: written again in place, or on a dumb
// terminal, which rewrites nothing, the new bytes added and a line of its
// own after a character taken back.
void echo_search(Console& console, std::string_view text, std::size_t& echoed) {
  const TextRule rule = console.mode.output_rule;
  if (console.mode.dumb && text.size() >= echoed) {
    console.out << visible(text.substr(echoed), rule);
  } else {
    console.out << (console.mode.dumb ? "\n" : erase_line) << search_line(text, rule);
  }
  echoed = text.size();
  console.out << std::flush;
}

}  // namespace

void end_passing_line(Console& console, std::ostream& out, std::size_t width) {
  if (console.mode.dumb) {
    out << '\n';
  } else if (const std::size_t columns = screen_size(*console.state).columns; width > columns) {
    out << "\r\033[" << (width - 1) / columns << "A\033[J";
  } else {
    out << erase_line;
  }
  out << std::flush;
  note_passing_line(false);
}

More ask_for_more(Console& console, std::size_t columns, bool first) {
  ConsoleState& state = *console.state;
  if (first) save_keys_typed_ahead(state);
  const std::string_view pause = more_line(columns);
  listen_for_keys(state);
  // A Ctrl-C pressed after the writer last looked, before it could come as a
  // key, stops the display as one at the pause would.
  if (take_ctrl_c(console)) {
    keep_keys_waiting(state);
    ctrl_c_key(state);
    return More::stop;
  }
  show_passing_line(console, pause);
  for (;;) {
    const std::string key = read_key();
    if (key == "\x1a") {  // Ctrl-Z
      end_passing_line(console, console.out, pause.size());
      suspend_run();
      show_passing_line(console, pause);
      continue;
    }
    const More more = key.empty() ? More::stop : more_for(key);
    if (more == More::nothing) continue;
    keep_keys_waiting(state);
    end_passing_line(console, console.out, pause.size());
    if (key == "\x03") ctrl_c_key(state);
    if (more == More::command) state.typed_ahead += key;
    return more;
  }
}

SearchLine read_search_line(Console& console, std::size_t columns) {
  ConsoleState& state = *console.state;
  listen_for_keys(state);
  show_passing_line(console, "/");
  std::string text;
  std::size_t echoed = 0;
  for (;;) {
    const std::string key = read_key();
    const std::optional<SearchLine::Kind> ends = line_ended_by(key, text.empty());
    if (!ends) {
      const bool half_typed = type_key(text, key, columns, console.mode.output_rule);
      if (text.size() != echoed && !half_typed) echo_search(console, text, echoed);
      continue;
    }
    keep_keys_waiting(state);
    end_passing_line(console, console.out);
    if (key == "\x03") ctrl_c_key(state);
    return {*ends, *ends == SearchLine::typed ? text : std::string()};
  }
}

void say_at_pause(Console& console, std::size_t columns, std::string_view own,
                  std::string_view text) {
  console.out << fitted_line(own, text, columns, console.mode.output_rule) << '\n' << std::flush;
}

void show_pause_keys(Console& console, std::size_t columns) {
  for (const std::string_view line : message::pause_keys) say_at_pause(console, columns, line);
}
