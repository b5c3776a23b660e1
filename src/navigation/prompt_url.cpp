// The address prompt: one word typed, forced to plain HTTP as every address
// typed or followed is.
#include "base/messages.h"
#include "navigation/loading.h"
#include "navigation/navigation.h"

std::string normalized_address(std::string_view url, std::ostream& out) {
  NormalizedUrl normalized = normalize_url(url);
  if (normalized.was_https) say(message::https_not_supported, out);
  return std::move(normalized.address);
}

Answer prompt_url(std::istream& in, std::ostream& out) {
  Answer answer = prompt_word(message::url_prompt, Recall::addresses, in, out);
  if (answer.kind == Answer::typed) answer.word = normalized_address(answer.word, out);
  return answer;
}
