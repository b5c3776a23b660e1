// Normalising addresses: everything the user types or follows is loaded over
// plain HTTP, so https:// is rewritten and a missing scheme is supplied.
#include "web/web.h"

std::string normalize_url(std::string_view url, std::ostream& out) {
  if (url.starts_with("http://") || url.starts_with("HTTP://")) return std::string(url);
  if (url.starts_with("https://") || url.starts_with("HTTPS://")) {
    out << "HTTPS NOT SUPPORTED\n" << std::flush;
    url.remove_prefix(8);
  }
  return "http://" + std::string(url);
}
