// Writing to the console: pages through a buffer of its own, one screenful at
// a time at a terminal, and the status line of a load.
#pragma once

#include <array>
#include <cstring>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "base/shown_text.h"
#include "console/screen_sums.h"

struct Console;

// What making room for a line came to.
enum class Room {
  granted,     // it fits under what the screen shows
  new_screen,  // after a pause it starts a new screenful
  back,        // after a pause the reader asked for the screenful before: a
               // new screenful begins, and the caller makes room again for
               // the earlier line it goes back to
  jump,        // after a pause the reader found a row or asked for the last
               // screenful: a new screenful begins where jump_to put it
  stopped,     // nothing more is written
};

// Whether the row that room was made for is written now: not when the
// writing stopped, and not when the walk goes on from another row.
inline bool row_written(Room room) { return room == Room::granted || room == Room::new_screen; }

// Where the reader asked the pager to go, at the pause.
enum class PagerJump {
  find,            // the first row from the one after the screenful on that holds the text
  next_match,      // the next row after the last one found that holds it
  previous_match,  // the row before the last one found that holds it
  last_screen,     // the screenful that ends with the last row
};

// Writes to the console through a buffer of its own, so that a page of any
// size is shown without taking memory. At a terminal, Ctrl-C stops the
// writing within a buffer's worth, even inside one long text, and rows that
// need more lines than the screen has come a screenful at a time.
struct ConsoleWriter {
  explicit ConsoleWriter(Console& console);
  ~ConsoleWriter();
  ConsoleWriter(const ConsoleWriter&) = delete;
  ConsoleWriter& operator=(const ConsoleWriter&) = delete;

  // The program's own text. Inline, since a page's rows come in small
  // pieces: saves 2 ms of 30 in showing the million-record page.
  void write(std::string_view text) {
    if (text.size() <= buffer.size() - used && !stopped_) {
      std::memcpy(buffer.data() + used, text.data(), text.size());
      used += text.size();
    } else {
      write_across(text);
    }
  }
  // Text from the network, shown as append_visible shows it.
  void write_visible(std::string_view text);
  // The same for a field of a page record: the start of `text` up to its
  // first bar.
  void write_visible_field(std::string_view text);
  void flush();
  // The writing is over: a line stopped midway still ends, so that the
  // prompt starts one, and everything is flushed.
  void finish();
  // At a terminal, before a line of `own`, the field `network_field` starts
  // with (as write_visible_field takes it) and `own_end`: when the line would
  // not fit on the screen under what was shown since the last pause, pauses
  // and asks for more.
  Room make_room(std::string_view own, std::string_view network_field, std::string_view own_end);

  // At a terminal: the lines such a line takes on the screen, and how many
  // lines a screenful holds, for a caller that goes back a screenful.
  std::size_t lines_for(std::string_view own, std::string_view network_field,
                        std::string_view own_end) const {
    return row_lines(own, network_field, own_end, columns, rule, rows);
  }
  std::size_t screenful() const { return rows - 1; }
  // At a terminal, the columns of a line; 0 elsewhere.
  std::size_t width() const { return paging_ ? columns : 0; }

  // Set by the walk that shows rows: finds the row for a jump the reader asks
  // for at the pause and goes on from there (make_room then says Room::jump),
  // or says there is none, which the pause says and waits on.
  std::function<bool(PagerJump)> jump_to;
  // The text the reader last looked for at the pause; empty before.
  const std::string& pager_search() const { return search; }

  // By Ctrl-C or at the pause: nothing more is written.
  bool stopped() const { return stopped_; }
  // One screenful at a time, at a terminal.
  bool paging() const { return paging_; }
  // A dumb terminal, which gets no escape sequence.
  bool dumb() const;

 private:
  // Text that fills the buffer: written in pieces, each flushed.
  void write_across(std::string_view text);
  void write_shown(std::string_view text, bool field);
  // Waits at the pause for a key that ends it: one that shows more rows or
  // stops them, or a jump that jump_to could make.
  More pause();
  // The piece of network text that is not plain that `text` starts with;
  // how many of its bytes it took.
  std::size_t write_piece(std::string_view text);

  Console& console;
  std::ostream& out;
  TextRule rule;
  bool stopped_ = false;
  bool line_open = false;  // what was written last does not end a line
  bool paging_ = false;
  bool paused = false;          // the reader was asked for more at least once
  bool ended_by_digit = false;  // a digit at the pause starts the command line
  std::size_t rows = 0;         // the screen's size, when the writer began or the pause last asked
  std::size_t columns = 0;
  PageCount count;
  std::string search;
  std::size_t used = 0;
  std::array<char, std::size_t{64} << 10> buffer;
};
