// Writing to the console: lines, the writer's buffer, the pause between
// screenfuls, the status line of a load, and lines cut to the terminal's width.
#include "console/writer.h"

#include <ostream>

#include "base/messages.h"
#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/terminal.h"

namespace {

constexpr std::string_view erase_line = "\r\033[K";

// Takes a line that was shown only for a while off the screen; a dumb
// terminal cannot erase it, so the next line starts under it. A line of
// `width` columns that a window made narrower now wraps is erased from where
// it starts.
void end_passing_line(Console& console, std::ostream& out, std::size_t width = 0) {
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

// Noted before it is written: a signal that ends the run while it is being
// written still erases it.
void show_passing_line(Console& console, std::string_view line) {
  note_passing_line(!console.mode.dumb);
  console.out << line << std::flush;
}

// The pause between screenfuls: one line, a key read without echo, and the
// line taken off again. Keys typed before the first pause are kept for the
// next prompts; from then on every key is the pause's, escape sequences whole
// and keys that came together one by one, but a digit, which starts the
// command line.
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

// Copies the run of plain bytes that `from` starts with, at most `most`, to
// `to`, and says how long it was; `ends` marks the bytes that end a run.
std::size_t copy_plain_run(const RunEnds& ends, const char* from, std::size_t most, char* to) {
  std::size_t plain = 0;
  for (; plain < most && !ends[static_cast<unsigned char>(from[plain])]; ++plain)
    to[plain] = from[plain];
  return plain;
}

}  // namespace

ConsoleWriter::ConsoleWriter(Console& console)
    : console(console), out(console.out), rule(console.mode.output_rule) {
  if (!console.mode.terminal) return;
  const ScreenSize size = screen_size(*console.state);
  paging_ = true;
  rows = size.rows;
  columns = size.columns;
  count.new_screen(rows);
  count.count(std::min(console.state->lines_since_prompt, rows - 1));
}

ConsoleWriter::~ConsoleWriter() { flush(); }

void ConsoleWriter::write_across(std::string_view text) {
  while (!text.empty() && !stopped_) {
    if (used == buffer.size()) {
      flush();
      continue;
    }
    const std::size_t piece = std::min(text.size(), buffer.size() - used);
    std::memcpy(buffer.data() + used, text.data(), piece);
    used += piece;
    text.remove_prefix(piece);
  }
}

// Network text into the buffer, plain bytes copied as they are checked:
// saves 7 ms of 23 in showing the million-record page, against finding each
// plain run first. Every other piece is shown as next_piece decides.
void ConsoleWriter::write_shown(std::string_view text, bool field) {
  while (!text.empty() && !stopped_) {
    const std::size_t most = std::min(text.size(), buffer.size() - used);
    char* to = buffer.data() + used;
    const std::size_t plain =
        copy_plain_run(field ? field_run_ends : text_run_ends, text.data(), most, to);
    used += plain;
    if (plain < most && field && text[plain] == '|') return;
    text.remove_prefix(plain);
    if (used == buffer.size())
      flush();
    else if (!text.empty())
      text.remove_prefix(write_piece(text));
  }
}

std::size_t ConsoleWriter::write_piece(std::string_view text) {
  const ShownPiece piece = next_piece(text, rule);
  write(piece.passed ? text.substr(0, piece.consumed)
                     : std::string_view(piece.notation.data(), piece.notation_size));
  return piece.consumed;
}

void ConsoleWriter::write_visible(std::string_view text) { write_shown(text, false); }

void ConsoleWriter::write_visible_field(std::string_view text) { write_shown(text, true); }

void ConsoleWriter::flush() {
  if (used > 0) line_open = buffer[used - 1] != '\n';
  out.write(buffer.data(), static_cast<std::streamsize>(used));
  used = 0;
  // Checked once a buffer, so within one long text too: Ctrl-C, and output
  // that can no longer be written, which nothing more is written to.
  if (take_ctrl_c(console) || !out) stopped_ = true;
}

void ConsoleWriter::finish() {
  flush();
  if (line_open) out << '\n';
  out.flush();
  // Keys typed at a pause that are left over are the pause's too, and never
  // reach the command line; but after a digit the rest of the command does.
  if (paused && !ended_by_digit) drop_keys_typed();
}

Room ConsoleWriter::make_room(std::string_view own, std::string_view network_field,
                              std::string_view own_end) {
  if (stopped_) return Room::stopped;
  if (!paging_) return Room::granted;
  std::size_t lines = row_lines(own, network_field, own_end, columns, rule, rows);
  Room room = Room::granted;
  if (count.must_pause(lines)) {
    flush();
    if (stopped_) return Room::stopped;
    const More more = ask_for_more(console, columns, !paused);
    paused = true;
    if (more == More::stop || more == More::command) {
      ended_by_digit = more == More::command;
      stopped_ = true;
      return Room::stopped;
    }
    // The window may have been resized while it waited.
    const ScreenSize size = screen_size(*console.state);
    rows = size.rows;
    columns = size.columns;
    lines = row_lines(own, network_field, own_end, columns, rule, rows);
    if (more == More::row) {
      count.allow_one_more(lines);
    } else {
      count.new_screen(rows);
      if (more == More::back) return Room::back;  // the caller makes room for an earlier row
      room = Room::new_screen;
    }
  }
  count.count(lines);
  return room;
}

namespace {

// Where the status line goes: the dialogue's screen, or standard error.
std::ostream& status_stream(Console& console) {
  return console.mode.progress_on_error ? console.err : console.out;
}

}  // namespace

void say(Console& console, std::string_view line) {
  console.out << line << '\n' << std::flush;
  if (!console.mode.terminal) return;
  Span span{screen_size(*console.state).columns};
  span.place_ascii(line);
  console.state->lines_since_prompt += span.lines;
}

void say(Console& console, std::string_view own, std::string_view network_text) {
  std::string line(own);
  append_visible(line, network_text, console.mode.output_rule);
  say(console, line);
}

void show_status(Console& console, std::string_view text) {
  ConsoleState& state = *console.state;
  const RunMode& mode = console.mode;
  if (!(mode.terminal || mode.progress_on_error) || (mode.dumb && state.status_shown)) return;
  std::ostream& out = status_stream(console);
  if (mode.dumb) {
    out << text << '\n' << std::flush;  // once, never rewritten
  } else {
    note_passing_line(true);
    out << '\r' << text.substr(0, screen_size(state).columns - 1) << "\033[K" << std::flush;
  }
  state.status_shown = true;
}

void clear_status(Console& console) {
  ConsoleState& state = *console.state;
  if (!state.status_shown) return;
  state.status_shown = false;
  if (!console.mode.dumb) end_passing_line(console, status_stream(console));
}

std::string screen_line(Console& console, std::string_view own, std::string_view network_text) {
  const RunMode& mode = console.mode;
  if (mode.terminal)
    return fitted_line(own, network_text, screen_size(*console.state).columns, mode.output_rule);
  std::string line(own);
  append_visible(line, network_text, mode.output_rule);
  return line;
}

void say_on_error(Console& console, std::string_view text) {
  std::string line(message::program_prefix);
  append_visible(line, text, console.mode.error_rule);
  console.err << line << '\n' << std::flush;
}

void say_failure(Console& console, std::string_view name, std::string_view reason) {
  std::string line(name);
  line += ": ";
  line += reason;
  say_on_error(console, line);
}
