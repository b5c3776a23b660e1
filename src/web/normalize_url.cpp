// Normalising addresses: everything the user types or follows is loaded over
// plain HTTP, so https:// is rewritten and a missing scheme is supplied.
#include <array>

#include "web/web.h"

std::string normalize_url(std::string_view url, std::ostream& out) {
  if (url.starts_with("http://") || url.starts_with("HTTP://")) return std::string(url);
  if (url.starts_with("https://") || url.starts_with("HTTPS://")) {
    out << "HTTPS NOT SUPPORTED\n" << std::flush;
    url.remove_prefix(8);
  }
  return "http://" + std::string(url);
}

std::string percent_encoded(std::string_view url) {
  constexpr std::array<char, 16> hex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                        '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
  std::string encoded;
  encoded.reserve(url.size());
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7f) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += hex[byte >> 4];
      encoded += hex[byte & 0xf];
    }
  }
  return encoded;
}
