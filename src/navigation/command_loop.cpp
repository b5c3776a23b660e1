// The command prompt: a row number follows that row's link; single letters
// redisplay, reload, go back, go to a typed address or exit.
#include "console/console.h"
#include "navigation/navigation.h"
#include "web/web.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

void follow_link(const std::string& word, NavigationState& nav, PageModel& page,
                 std::ostream& out) {
  auto number = record_number(word);
  std::string target = number ? link_target(page, *number) : std::string();
  if (target.empty()) {
    out << "INVALID LINK\n" << std::flush;
    return;
  }
  clear_records(page);
  std::string next_url = normalize_url(target, out);
  nav.previous_url = std::move(nav.current_url);
  nav.current_url = std::move(next_url);
  load_page(nav, page, out);
}

bool is_command(const std::string& word, char letter) {
  return word.size() == 1 && (word[0] == letter || word[0] == letter - 32);
}

}  // namespace

void command_loop(NavigationState& nav, PageModel& page, std::istream& in, std::ostream& out) {
  for (;;) {
    const std::string word = prompt_word("Enter line number or command: ", in, out);
    if (!word.empty() && is_digit(word[0])) {
      follow_link(word, nav, page, out);
    } else if (is_command(word, 'x')) {
      out << "EXITING\n" << std::flush;
      return;
    } else if (is_command(word, 'd')) {
      display_page(page, out);
    } else if (is_command(word, 'r')) {
      clear_records(page);
      load_page(nav, page, out);
    } else if (is_command(word, 'b')) {
      clear_records(page);
      nav.current_url = nav.previous_url;
      load_page(nav, page, out);
    } else if (is_command(word, 'g')) {
      nav.current_url = prompt_url(in, out);
      load_page(nav, page, out);
    } else {
      return;
    }
  }
}
