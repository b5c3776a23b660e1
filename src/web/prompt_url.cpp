// The address prompt: one word typed, normalised.
#include "web/web.h"

Answer prompt_url(std::istream& in, std::ostream& out) {
  Answer answer = prompt_word("Enter URL: ", Recall::addresses, in, out);
  if (answer.kind == Answer::typed) answer.word = normalize_url(answer.word, out);
  return answer;
}
