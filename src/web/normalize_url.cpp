// Normalising addresses: everything the user types or follows is loaded over
// plain HTTP, so https:// is rewritten and a missing scheme is supplied.
#include <curl/curl.h>

#include <array>
#include <memory>

#include "base/ascii.h"
#include "base/messages.h"
#include "web/transfer.h"
#include "web/web.h"

namespace {

// What follows "http://" in the address loaded for `url`, which has no http scheme.
std::string_view without_https(std::string_view url) {
  return has_https_scheme(url) ? url.substr(8) : url;
}

}  // namespace

CurlUrl parsed_address(const std::string& address) {
  CurlUrl url(curl_url(), curl_url_cleanup);
  if (url && (holds_nul(address) ||
              curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK))
    url.reset();
  return url;
}

std::string part_of(CURLU* url, CURLUPart part, unsigned flags) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK) return {};
  std::string copy(text);
  curl_free(text);
  return copy;
}

std::optional<std::string> decoded_path(const std::string& address) {
  const CurlUrl url = parsed_address(address);
  if (!url) return std::nullopt;
  return part_of(url.get(), CURLUPART_PATH, CURLU_URLDECODE);
}

// Read by libcurl, as it reads the addresses it retrieves: user names, IPv6
// hosts and default ports then count as they do for the retrieval.
std::string site_of(const std::string& address) {
  const CurlUrl url = parsed_address(address);
  if (!url) return {};
  const std::string host = part_of(url.get(), CURLUPART_HOST);
  if (host.empty()) return {};
  return lower_case(part_of(url.get(), CURLUPART_SCHEME)) + "://" + lower_case(host) + ":" +
         part_of(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

namespace {

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  const char lower = ascii_lower(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool is_unreserved(char c) {
  const char lower = ascii_lower(c);
  return is_digit(c) || (lower >= 'a' && lower <= 'z') || c == '-' || c == '.' || c == '_' ||
         c == '~';
}

}  // namespace

std::string decode_unreserved(std::string_view url) {
  std::string decoded;
  decoded.reserve(url.size());
  for (std::size_t i = 0; i < url.size(); ++i) {
    const int high = url[i] == '%' && i + 2 < url.size() ? hex_value(url[i + 1]) : -1;
    const int low = high >= 0 ? hex_value(url[i + 2]) : -1;
    if (low < 0) {
      decoded += url[i];
      continue;
    }
    const auto byte = static_cast<char>(high * 16 + low);
    if (is_unreserved(byte)) {
      decoded += byte;
    } else {
      decoded += '%';
      decoded += ascii_upper(url[i + 1]);
      decoded += ascii_upper(url[i + 2]);
    }
    i += 2;
  }
  return decoded;
}

std::string canonical_address(const std::string& address) {
  const CurlUrl url = parsed_address(decode_unreserved(address));
  if (!url) return {};
  const std::string host = lower_case(part_of(url.get(), CURLUPART_HOST));
  if (host.empty() || curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0) != CURLUE_OK)
    return {};
  return part_of(url.get(), CURLUPART_URL, CURLU_NO_DEFAULT_PORT);
}

std::string canonical_or_given(const std::string& address) {
  std::string canonical = canonical_address(address);
  return canonical.empty() ? address : canonical;
}

NormalizedUrl normalize_url(std::string_view url) {
  if (has_http_scheme(url)) return {std::string(url)};
  return {"http://" + std::string(without_https(url)), has_https_scheme(url)};
}

void append_followed_address(std::string& line, std::string_view target) {
  if (has_http_scheme(target)) {
    line += target;
    return;
  }
  line += "http://";
  line += without_https(target);
  if (!has_https_scheme(target)) return;
  line += " (";
  line += message::https_not_supported;
  line += ')';
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
