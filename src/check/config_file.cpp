// Reading linebrowse.toml: each key under the name of its command-line option,
// its value of the type that option takes, any other key refused at its line.
#include "check/config_file.h"

#include <fcntl.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

enum class ValueType { flag, count, word, words };

struct ConfigKey {
  std::string_view name;
  ValueType type;
};

constexpr std::array<ConfigKey, 14> config_keys = {{
    {"root", ValueType::word},
    {"offline", ValueType::flag},
    {"exclude", ValueType::words},
    {"max-depth", ValueType::count},
    {"max-pages", ValueType::count},
    {"max-problems", ValueType::count},
    {"format", ValueType::word},
    {"ignore", ValueType::words},
    {"strict", ValueType::flag},
    {"host-concurrency", ValueType::count},
    {"retries", ValueType::count},
    {"cache", ValueType::word},
    {"cache-age", ValueType::word},
    {"served-at", ValueType::word},  // where root is served: for the language server
}};

// A configuration file is small: more than this is no configuration.
constexpr std::size_t most_config_bytes = std::size_t{1} << 20;

// The file's text, read without waiting, so that a FIFO or a device is never
// waited for (/dev/null reads as empty); or why it cannot be read.
std::optional<std::string> read_text(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  std::array<char, 16384> piece{};
  std::optional<std::string> why;
  for (;;) {
    const ssize_t got = read(fd, piece.data(), piece.size());
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      why = errno == EAGAIN ? "not a file" : std::strerror(errno);
      break;
    }
    text.append(piece.data(), static_cast<std::size_t>(got));
    if (text.size() > most_config_bytes) {
      why = "over 1 MiB: no configuration is that large";
      break;
    }
  }
  close(fd);
  return why;
}

std::size_t line_of(const toml::node& node) { return node.source().begin.line; }

// The option a key sets, from a value of the type it takes; why not, if not.
std::optional<std::string> take(const ConfigKey& key, const toml::node& value, std::size_t line,
                                std::vector<ConfigOption>& options) {
  const std::string option = "--" + std::string(key.name);
  switch (key.type) {
    case ValueType::flag:
      if (!value.is_boolean()) return "takes true or false";
      if (value.as_boolean()->get()) options.push_back({option, std::nullopt, line});
      return std::nullopt;
    case ValueType::count:
      if (!value.is_integer()) return "takes a whole number";
      options.push_back({option, std::to_string(value.as_integer()->get()), line});
      return std::nullopt;
    case ValueType::word:
      if (!value.is_string()) return "takes a string";
      options.push_back({option, value.as_string()->get(), line});
      return std::nullopt;
    case ValueType::words:
      break;
  }
  if (value.is_string()) {
    options.push_back({option, value.as_string()->get(), line});
    return std::nullopt;
  }
  const toml::array* list = value.as_array();
  if (list == nullptr) return "takes a list of strings";
  for (const toml::node& item : *list) {
    if (!item.is_string()) return "takes a list of strings";
    options.push_back({option, item.as_string()->get(), line_of(item)});
  }
  return std::nullopt;
}

std::string place(const std::string& path, std::size_t line, std::string_view key) {
  return path + ":" + std::to_string(line) + ": " + std::string(key) + ": ";
}

}  // namespace

std::string config_place(const std::string& path, const ConfigOption& option) {
  return place(path, option.line, std::string_view(option.option).substr(2));
}

ConfigFile read_config(const std::string& path, bool named) {
  ConfigFile config;
  std::string text;
  if (!named && access(path.c_str(), F_OK) != 0 && errno == ENOENT) return config;
  if (const std::optional<std::string> why = read_text(path, text)) {
    config.wrong = path + ": " + *why;
    return config;
  }
  toml::table table;
  try {
    table = toml::parse(text, path);
  } catch (const toml::parse_error& error) {
    config.wrong = path + ":" + std::to_string(error.source().begin.line) + ": " +
                   std::string(error.description());
    return config;
  }
  for (const auto& [key, value] : table) {
    const std::size_t line = line_of(value);
    const std::string_view name = key.str();
    const auto known = std::find_if(config_keys.begin(), config_keys.end(),
                                    [name](const ConfigKey& k) { return k.name == name; });
    if (known == config_keys.end()) {
      config.wrong = place(path, key.source().begin.line, key.str()) + "no such key";
      return config;
    }
    if (const std::optional<std::string> why = take(*known, value, line, config.options)) {
      config.wrong = place(path, line, key.str()) + *why;
      return config;
    }
  }
  return config;
}
