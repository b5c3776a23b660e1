// The address prompt: one word typed, normalised.
#include "console/console.h"
#include "web/web.h"

std::string prompt_url(std::istream& in, std::ostream& out) {
  return normalize_url(prompt_word("Enter URL: ", in, out), out);
}
