// Reading words from the console: the address prompt, and the word reader that
// the command prompt shares with it.
#include "web/web.h"

std::string read_word(std::istream& in) {
  std::string word;
  if (!(in >> word)) word.clear();
  return word;
}

std::string prompt_url(std::istream& in, std::ostream& out) {
  out << "Enter URL: " << std::flush;
  return normalize_url(read_word(in), out);
}
