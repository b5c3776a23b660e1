// The language server's workspace: the folder the editor opened, its
// linebrowse.toml, and what the server offers the editor at initialize.
#include "check/address_patterns.h"
#include "check/language_server.h"
#include "web/web.h"

std::optional<std::string> folder_of(const Json& uri) {
  if (!uri.is_string() || !is_file_address(uri.get<std::string>())) return std::nullopt;
  return decoded_path(uri.get<std::string>());
}

std::optional<std::string> read_workspace_config(const std::string& folder, Workspace& workspace,
                                                 AddressPatterns& excluded, bool& offline) {
  const std::string path = folder + "/" + default_config;
  const ConfigFile config = read_config(path, false);
  if (config.wrong) return *config.wrong;
  std::string root;
  std::string served_at;
  for (const ConfigOption& option : config.options) {
    if (option.option == "--root") root = *option.value;
    if (option.option == "--served-at") served_at = *option.value;
    if (option.option == "--offline") offline = true;
    if (option.option == "--exclude")
      if (const auto why = excluded.add(*option.value)) return config_place(path, option) + *why;
  }
  if (root.empty() || served_at.empty()) return std::nullopt;
  if (!root.starts_with('/')) root = folder + "/" + root;
  std::string why;
  workspace.root = site_root(canonical_or_given(normalize_url(served_at).address), root, why);
  if (!workspace.root) return path + ": root " + root + ": " + why;
  return std::nullopt;
}

Json capabilities(PositionEncoding encoding) {
  return {{"positionEncoding", encoding == PositionEncoding::utf8 ? "utf-8" : "utf-16"},
          {"textDocumentSync",
           {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
          {"hoverProvider", true},
          {"documentLinkProvider", {{"resolveProvider", false}}},
          {"codeActionProvider", {{"codeActionKinds", Json::array({"quickfix"})}}}};
}
