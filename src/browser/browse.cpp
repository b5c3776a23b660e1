// The dialogue from its first address to its end: the address given or
// asked for, the first page, then the command loop.
#include "base/exit_status.h"
#include "base/messages.h"
#include "browser/browser.h"
#include "browser/navigation.h"

namespace {

// What the first prompt says to ?, h or help at a terminal.
constexpr std::string_view first_prompt_help =
    "TYPE THE ADDRESS OF A PAGE AND PRESS ENTER, SUCH AS 127.0.0.1:8417/index.txt\n"
    "(http:// IS PUT IN FRONT), OR A PAGE ON DISK: A PATH THAT STARTS WITH /, ./, ../\n"
    "OR ~/, SUCH AS ./page.txt, OR file:///home/me/page.txt.\n"
    "CTRL-D LEAVES. ONCE A PAGE IS SHOWN, ? LISTS THE COMMANDS.\n";

// The first address, asked for. Nothing when the person at a terminal ends
// the run instead of answering.
std::optional<std::string> asked_address(Console& console) {
  for (;;) {
    Answer answer = prompt_url(console, first_prompt_help);
    if (answer.kind == Answer::typed) return std::move(answer.word);
    if (answer.kind == Answer::ended) return std::nullopt;
  }  // Ctrl-C asks again: there is no page to go back to yet
}

}  // namespace

int browse(const std::string& first_address, Console& console, const UserFiles& files) {
  NavigationState nav;
  PageModel page;
  auto address = first_address.empty() ? asked_address(console) : first_address;
  if (!address) return exit_status::ok;
  nav.current_url = std::move(*address);
  load_page(nav, page, console);
  if (console.mode.terminal)
    say(console, message::lists_the_commands);  // once, after the first page
  command_loop(nav, page, console, files);
  return exit_status::ok;
}
