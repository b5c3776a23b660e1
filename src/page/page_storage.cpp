// Holding a page's body: the lines read in place from it, emptying the model
// again when the next page is loaded, and what a body holds before it is read.
#include "page/page.h"
#include "page/record_pattern.h"

// Lines end at each line feed, which is dropped; a carriage return before it
// stays. A final line without a line feed still counts; an empty body and a
// trailing line feed add no empty line.
void split_lines(PageModel& page, std::string body) {
  if (page.body.empty()) {
    page.body = std::move(body);
    page.page_lines = page.body;
    return;
  }
  // Another body while records still point into this one: append, so that
  // every offset stays good.
  const std::size_t lines_start =
      page.page_lines.empty() ? page.body.size()
                              : static_cast<std::size_t>(page.page_lines.data() - page.body.data());
  page.body += body;
  page.page_lines = std::string_view(page.body).substr(lines_start);
}

namespace {

// The body goes once neither lines nor records point into it.
void release_unused_body(PageModel& page) {
  if (page.page_lines.empty() && page.line_labels.empty() && page.line_links.empty())
    std::string().swap(page.body);
}

}  // namespace

// clear() gives back every block of records but one and allocates nothing,
// so a page that filled memory can always be emptied: an empty deque swapped
// in would allocate its map while the old records still hold the memory.
void clear_records(PageModel& page) {
  page.line_labels.clear();
  page.line_links.clear();
  page.terminated = false;
  release_unused_body(page);
}

void clear_lines(PageModel& page) {
  page.page_lines = {};
  release_unused_body(page);
}

bool holds_record(std::string_view body) {
  return !body.empty() && match_line(body.substr(0, body.find('\n'))).number.has_value();
}

void drop_cut_line(std::string& body) {
  const std::size_t last_line_feed = body.rfind('\n');
  body.resize(last_line_feed == std::string::npos ? 0 : last_line_feed + 1);
}
