// The address prompt: one word typed, forced to plain HTTP as every address
// typed or followed is; at a terminal a page on disk may be typed too.
#include <cstdlib>
#include <filesystem>

#include "base/ascii.h"
#include "base/messages.h"
#include "browser/loading.h"
#include "browser/navigation.h"

std::string normalized_address(std::string_view url, Console& console) {
  NormalizedUrl normalized = normalize_url(url);
  if (normalized.was_https) say(console, message::https_not_supported);
  return std::move(normalized.address);
}

std::optional<std::string> local_file_address(std::string_view word) {
  std::string path;
  if (word.starts_with('/')) {
    path = word;
  } else if (word.starts_with("./") || word.starts_with("../")) {
    std::error_code unknown;
    path = std::filesystem::current_path(unknown).string() + "/" + std::string(word);
    if (unknown) return std::nullopt;
  } else if (const char* home = std::getenv("HOME"); word.starts_with("~/") && home != nullptr) {
    path = home + std::string(word.substr(1));
  } else {
    return std::nullopt;
  }
  return file_address(path);
}

namespace {

bool asks_for_help(std::string_view word) {
  return word == "?" || equals_ignoring_case(word, "h") || equals_ignoring_case(word, "help");
}

}  // namespace

Answer prompt_url(Console& console, std::string_view help) {
  const bool terminal = console.mode.terminal;
  for (;;) {
    Answer answer = prompt_word(console, message::url_prompt, Recall::addresses);
    if (answer.kind != Answer::typed) return answer;
    if (terminal && !help.empty() && asks_for_help(answer.word)) {
      display_text(help, console);
      continue;
    }
    // An author previews a page on disk, by its path or its address; links
    // inside pages are still normalised, so they never reach a file.
    if (terminal && is_file_address(answer.word)) return answer;
    if (auto local = terminal ? local_file_address(answer.word) : std::nullopt) {
      answer.word = std::move(*local);
      return answer;
    }
    answer.as_typed = answer.word;
    answer.word = normalized_address(answer.word, console);
    return answer;
  }
}
