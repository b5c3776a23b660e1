// Writing to the console: the writer's buffer, the pause between screenfuls,
// the status line of a load, and lines cut to the terminal's width.
#include "console/writer.h"

#include <ostream>

#include "console/console.h"
#include "console/console_state.h"
#include "console/ctrl_c.h"
#include "console/terminal.h"

namespace {

enum class More { screen, row, stop };

constexpr std::string_view erase_line = "\r\033[K";

// The pause between screenfuls: one line, a key read without echo, and the
// line erased again. Keys typed before it are kept for the next prompts.
More ask_for_more(std::ostream& out) {
  save_keys_typed_ahead();
  constexpr std::string_view pause = "-- MORE: SPACE NEXT SCREEN, ENTER NEXT ROW, Q STOPS --";
  out << pause << std::flush;
  note_passing_line(true);
  for (;;) {
    const int key = read_key();
    if (key == ' ' || key == '\r' || key == '\n' || key == 'q' || key == 'Q' || key == 3 ||
        key < 0) {
      out << erase_line << std::flush;
      note_passing_line(false);
      if (key == 3) ctrl_c_key();
      if (key == ' ') return More::screen;
      return key == '\r' || key == '\n' ? More::row : More::stop;
    }
    if (key == 26) {  // Ctrl-Z
      out << erase_line << std::flush;
      note_passing_line(false);
      suspend_run();
      out << pause << std::flush;
      note_passing_line(true);
    }
  }
}

}  // namespace

ConsoleWriter::ConsoleWriter(std::ostream& out) : out(out), rule(console().rule) {
  if (!console().terminal) return;
  const ScreenSize size = screen_size();
  paging = true;
  rows = size.rows;
  columns = size.columns;
  count.new_screen(rows);
}

ConsoleWriter::~ConsoleWriter() { flush(); }

void ConsoleWriter::write_across(std::string_view text) {
  while (!text.empty() && !stopped) {
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

void ConsoleWriter::write_shown(std::string_view text, bool field) {
  each_shown_piece(text, rule, field, [this](std::string_view shown, bool /*passed*/) {
    write(shown);
    return !stopped;
  });
}

void ConsoleWriter::write_visible(std::string_view text) { write_shown(text, false); }

void ConsoleWriter::write_visible_field(std::string_view text) { write_shown(text, true); }

void ConsoleWriter::flush() {
  if (used > 0) line_open = buffer[used - 1] != '\n';
  out.write(buffer.data(), static_cast<std::streamsize>(used));
  used = 0;
  if (take_ctrl_c()) stopped = true;  // checked once a buffer, so within one long text too
}

bool ConsoleWriter::make_room(std::string_view own, std::string_view network_field,
                              std::string_view own_end) {
  if (!paging || stopped) return !stopped;
  const std::size_t lines = row_lines(own, network_field, own_end, columns, rule, rows);
  if (count.must_pause(lines)) {
    flush();
    if (stopped) return false;
    switch (ask_for_more(out)) {
      case More::screen:
        count.new_screen(rows);
        break;
      case More::row:
        count.allow_one_more(lines);
        break;
      case More::stop:
        stopped = true;
        return false;
    }
  }
  count.count(lines);
  return true;
}

void show_status(std::string_view text, std::ostream& out) {
  if (!console().terminal) return;
  out << '\r' << text.substr(0, screen_size().columns - 1) << "\033[K" << std::flush;
  note_passing_line(true);
}

void clear_status(std::ostream& out) {
  if (!console().terminal) return;
  out << erase_line << std::flush;
  note_passing_line(false);
}

std::string screen_line(std::string_view own, std::string_view network_text) {
  const ConsoleState& state = console();
  if (state.terminal) return fitted_line(own, network_text, screen_size().columns, state.rule);
  std::string line(own);
  append_visible(line, network_text, state.rule);
  return line;
}
