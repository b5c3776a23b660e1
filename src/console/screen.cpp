// The terminal's screen: its size, how many columns and lines text takes on
// it, the status line of a load, and the pause between screenfuls.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cwchar>
#include <ostream>

#include "console/console.h"
#include "console/terminal.h"
#include "console/visible_text.h"

namespace {

struct ScreenSize {
  std::size_t rows = 24;
  std::size_t columns = 80;
};

// Read afresh each time, so that a resized terminal is measured as it is.
ScreenSize screen_size() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row < 2 || size.ws_col < 8) return {};
  return {size.ws_row, size.ws_col};
}

// Where text puts the cursor on a screen `columns` wide: the lines it has
// taken and the column on the last. A character that does not fit on a line
// starts the next, as terminals wrap; one that ends a line exactly does not.
struct Span {
  std::size_t columns;
  std::size_t lines = 1;
  std::size_t column = 0;

  void place(std::size_t width) {
    if (column + width > columns) {
      ++lines;
      column = 0;
    }
    column += width;
  }
  // ASCII text: a column a byte, tabs to the next stop.
  void place_ascii(std::string_view text) {
    for (char c : text) {
      if (c == '\t')
        column = std::min((column / 8 + 1) * 8, columns);
      else
        place(1);
    }
  }
};

// How many columns a character shown as `bytes` takes: ASCII one, tabs to
// the next stop. A passed UTF-8 character as wide as the terminal's locale
// says (0 for combining marks, 2 for wide ones); a passed Latin-1 byte one.
void place_piece(Span& span, std::string_view bytes, bool passed) {
  if (!passed || static_cast<unsigned char>(bytes.front()) < 0x80) {
    span.place_ascii(bytes);
    return;
  }
  wchar_t character = 0;
  std::mbstate_t state{};
  const bool decoded = std::mbrtowc(&character, bytes.data(), bytes.size(), &state) == bytes.size();
  const int width = decoded ? wcwidth(character) : 1;
  span.place(width < 0 ? 1 : static_cast<std::size_t>(width));
}

// Places text as it is shown, up to its first bar when `field` is set, until
// it has taken more than `enough` lines.
void place_text(Span& span, std::string_view text, bool field, std::size_t enough) {
  each_shown_piece(text, text_rule(), field, [&](std::string_view shown, bool passed) {
    place_piece(span, shown, passed);
    return span.lines <= enough;
  });
}

enum class More { screen, row, stop };

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
      out << "\r\033[K" << std::flush;
      note_passing_line(false);
      if (key == 3) note_interrupt_key();
      if (key == ' ') return More::screen;
      return key == '\r' || key == '\n' ? More::row : More::stop;
    }
    if (key == 26) {  // Ctrl-Z
      out << "\r\033[K" << std::flush;
      note_passing_line(false);
      suspend_run();
      out << pause << std::flush;
      note_passing_line(true);
    }
  }
}

}  // namespace

void start_paging(ConsoleWriter& writer) {
  if (!at_terminal()) return;
  const ScreenSize size = screen_size();
  writer.paging = true;
  writer.rows = size.rows;
  writer.columns = size.columns;
  writer.lines_allowed = size.rows - 1;  // the last line for the pause, or the prompt
}

bool ConsoleWriter::make_room(std::string_view own, std::string_view network_field,
                              std::string_view own_end) {
  if (!paging || stopped) return !stopped;
  Span span{columns};
  span.place_ascii(own);
  place_text(span, network_field, true, rows);
  span.place_ascii(own_end);
  const std::size_t lines = span.lines;
  if (lines_shown > 0 && lines_shown + lines > lines_allowed) {
    flush();
    if (stopped) return false;
    switch (ask_for_more(out)) {
      case More::screen:
        lines_shown = 0;
        lines_allowed = rows - 1;
        break;
      case More::row:
        lines_allowed = lines_shown + lines;
        break;
      case More::stop:
        stopped = true;
        return false;
    }
  }
  lines_shown += lines;
  return true;
}

void show_status(std::string_view text, std::ostream& out) {
  if (!at_terminal()) return;
  out << '\r' << text.substr(0, screen_size().columns - 1) << "\033[K" << std::flush;
  note_passing_line(true);
}

void clear_status(std::ostream& out) {
  if (!at_terminal()) return;
  out << "\r\033[K" << std::flush;
  note_passing_line(false);
}

std::string screen_line(std::string_view own, std::string_view network_text) {
  std::string line(own);
  if (!at_terminal()) {
    append_visible(line, network_text);
    return line;
  }
  // What fits beside "..." is kept; all of it when all of it fits.
  const std::size_t columns = screen_size().columns;
  Span whole{columns};
  whole.place_ascii(own);
  place_text(whole, network_text, false, 1);
  if (whole.lines == 1) {
    append_visible(line, network_text);
    return line;
  }
  Span kept{columns - 3};
  kept.place_ascii(own);
  each_shown_piece(network_text, text_rule(), false, [&](std::string_view shown, bool passed) {
    for (std::string_view piece = shown; !piece.empty();) {
      // Plain text a byte at a time; other pieces whole.
      const std::size_t size =
          passed && static_cast<unsigned char>(piece.front()) < 0x80 ? 1 : piece.size();
      Span next = kept;
      place_piece(next, piece.substr(0, size), passed);
      if (next.lines > 1) return false;
      kept = next;
      line.append(piece.substr(0, size));
      piece.remove_prefix(size);
    }
    return true;
  });
  return line + "...";
}
