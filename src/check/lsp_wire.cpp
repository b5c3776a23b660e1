// The language server's wire: JSON-RPC messages framed by a Content-Length
// header, taken off the input as they come whole.
#include <charconv>

#include "base/ascii.h"
#include "base/limits.h"
#include "check/language_server.h"

namespace {

// A header block longer than this is no header.
constexpr std::size_t most_header_bytes = 8192;

// The value of Content-Length in a header block, if it has a readable one.
std::optional<std::size_t> content_length(std::string_view headers) {
  for (std::size_t from = 0; from < headers.size();) {
    const std::size_t end = std::min(headers.find("\r\n", from), headers.size());
    const std::string_view line = headers.substr(from, end - from);
    from = end + 2;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos ||
        !equals_ignoring_case(line.substr(0, colon), "content-length"))
      continue;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    std::size_t length = 0;
    const auto [at, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error == std::errc::result_out_of_range) return std::numeric_limits<std::size_t>::max();
    if (error != std::errc() || at != value.data() + value.size()) return std::nullopt;
    return length;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Frame> take_frame(WireInput& input) {
  std::string& buffer = input.buffer;
  if (input.skipping > 0) {
    const std::size_t dropped = std::min(input.skipping, buffer.size());
    buffer.erase(0, dropped);
    input.skipping -= dropped;
    if (input.skipping > 0) return std::nullopt;
  }
  const std::size_t end = buffer.find("\r\n\r\n");
  if (end == std::string::npos) {
    if (buffer.size() <= most_header_bytes) return std::nullopt;
    buffer.clear();
    return Frame{{}, "a header of over 8 KiB without its end: dropped"};
  }
  const std::optional<std::size_t> length = content_length(std::string_view(buffer).substr(0, end));
  if (!length) {
    buffer.erase(0, end + 4);
    return Frame{{}, "a message without a Content-Length: its header dropped"};
  }
  if (*length > page_cap_bytes) {
    buffer.erase(0, end + 4);
    input.skipping = *length;
    return Frame{{}, "a message of " + std::to_string(*length) + " bytes, over 64 MiB: dropped"};
  }
  if (buffer.size() - end - 4 < *length) return std::nullopt;
  Frame frame{buffer.substr(end + 4, *length), std::nullopt};
  buffer.erase(0, end + 4 + *length);
  return frame;
}

std::string framed(const Json& message) {
  const std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
