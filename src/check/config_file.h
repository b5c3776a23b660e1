// Inside the check: its options kept in a TOML file (linebrowse.toml), read
// as the command line would give them, for the run and the language server.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One option a configuration file sets, as the command line gives it.
struct ConfigOption {
  std::string option;                // "--max-depth"
  std::optional<std::string> value;  // none for a flag
  std::size_t line = 0;
};

struct ConfigFile {
  std::vector<ConfigOption> options;  // by key
  std::optional<std::string> wrong;   // "linebrowse.toml:3: max-depth: why", when it is wrong
};

// The file the check's options are read from when --config names none.
inline constexpr const char* default_config = "linebrowse.toml";

// The options a configuration file sets. A file that is not there is no
// fault when it is the default one, which then sets nothing.
ConfigFile read_config(const std::string& path, bool named);

// Where a config option is said, for its faults: "linebrowse.toml:3: max-depth: ".
std::string config_place(const std::string& path, const ConfigOption& option);
