// The view: a page shown on the console as a title and numbered rows, the
// rows a search finds, and the list of its links. Above the page model and
// the console, which it joins; the browser and the run decide what is shown when.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "page/page.h"

// Which rows a page shows: through pipes rows 1 to last_line, which a page
// without a terminator takes over from the page before; at a terminal the
// page's own, up to its terminator or its highest record.
enum class RowsShown { up_to_last_line, own };

// The title and the rows.
void display_page(const PageModel& page, RowsShown rows, Console& console);

// The page's own rows whose label holds `text`, ignoring ASCII case, shown as
// display_page shows them; NO ROW MATCHES when there is none.
void display_matching_rows(const PageModel& page, std::string_view text, Console& console);

// Text of the program's own, each line wrapped between words to the
// screen's width (a word too long for a line is cut), later lines of a
// command's description under its start; at a terminal a screenful at a time.
void display_text(std::string_view text, Console& console);
// The lines display_text shows for `text` at `width` columns (0: as they are).
std::vector<std::string> wrapped_lines(std::string_view text, std::size_t width);

// Every record with a link, record 0 and those above the last row too, as
// "<row>: <label> -> <address>", with the address following the link loads;
// NO LINKS when there is none.
void display_links(const PageModel& page, Console& console);
