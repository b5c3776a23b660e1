// Holding a page's body: splitting it into lines that point into it, and
// emptying the model again when the next page is loaded.
#include <algorithm>

#include "page/page.h"

namespace {

// A body is released once neither lines nor records point into it.
void release_unused_bodies(PageModel& page) {
  if (page.page_lines.empty() && page.line_labels.empty() && page.line_links.empty())
    page.bodies.clear();
}

template <typename T>
void release_vector(std::vector<T>& items) {
  std::vector<T>().swap(items);
}

}  // namespace

// Lines end at each line feed, which is dropped; a carriage return before it
// stays. A final line without a line feed still counts; an empty body and a
// trailing line feed add no empty line.
void split_lines(PageModel& page, std::string body) {
  if (body.empty()) return;
  const std::string& held = page.bodies.emplace_back(std::move(body));
  std::string_view rest(held);
  page.page_lines.reserve(page.page_lines.size() + 1 + std::count(rest.begin(), rest.end(), '\n'));
  while (!rest.empty()) {
    auto end = rest.find('\n');
    if (end == std::string_view::npos) end = rest.size();
    page.page_lines.push_back(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
}

void clear_records(PageModel& page) {
  release_vector(page.line_labels);
  release_vector(page.line_links);
  release_unused_bodies(page);
}

void clear_lines(PageModel& page) {
  release_vector(page.page_lines);
  release_unused_bodies(page);
}
