// Writing to the console: lines, the writer's buffer, the pause between
// screenfuls, the status line of a load, and lines cut to the terminal's width.
#include "console/writer.h"

#include <optional>
#include <ostream>

#include "base/messages.h"
#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/pause.h"
#include "console/terminal.h"

namespace {

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

bool ConsoleWriter::dumb() const { return console.mode.dumb; }

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
    const More more = pause();
    if (more == More::stop || more == More::command) {
      ended_by_digit = more == More::command;
      stopped_ = true;
      return Room::stopped;
    }
    // The window may have been resized while it waited.
    const ScreenSize size = screen_size(*console.state);
    rows = size.rows;
    columns = size.columns;
    if (more != More::screen && more != More::row) {
      // The caller makes room for another row instead. This one is not
      // measured again: finding the row of a jump may have reused its text.
      count.new_screen(rows);
      return more == More::back ? Room::back : Room::jump;
    }
    lines = row_lines(own, network_field, own_end, columns, rule, rows);
    if (more == More::row) {
      count.allow_one_more(lines);
    } else {
      count.new_screen(rows);
      room = Room::new_screen;
    }
  }
  count.count(lines);
  return room;
}

namespace {

// Which jump a key at the pause asks for, if any.
std::optional<PagerJump> jump_for(More more) {
  switch (more) {
    case More::find:
      return PagerJump::find;
    case More::next_match:
      return PagerJump::next_match;
    case More::previous_match:
      return PagerJump::previous_match;
    case More::last_screen:
      return PagerJump::last_screen;
    default:
      return std::nullopt;
  }
}

}  // namespace

More ConsoleWriter::pause() {
  for (;;) {
    columns = screen_size(*console.state).columns;  // the window may change while it waits
    const More more = ask_for_more(console, columns, !paused);
    paused = true;
    if (more == More::keys) {
      show_pause_keys(console, columns);
      continue;
    }
    if (more == More::find) {
      SearchLine line = read_search_line(console, columns);
      if (line.kind == SearchLine::stopped) return More::stop;
      if (line.kind == SearchLine::cancelled) continue;
      if (!line.text.empty()) search = std::move(line.text);  // an empty one repeats the last
    }
    const std::optional<PagerJump> jump = jump_for(more);
    if (!jump) return more;
    if (!jump_to) continue;
    if (search.empty() && jump != PagerJump::last_screen)
      say_at_pause(console, columns, message::no_search_to_repeat);
    else if (jump_to(*jump))
      return more;
    else
      say_at_pause(console, columns, message::no_row_holds, search);
  }
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
