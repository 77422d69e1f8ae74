// Fetching a game's configuration from the CDN, and the check that it is complete.
#pragma once

#include "config/game_config.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vg::config {

/// The CDN paths, below the CDN base.
inline constexpr std::u16string_view kServiceListPath = u"config/varnugames/gamestarter.json";

/// "config/varnugames/<game>.gamestarter.json", the path of a game's document.
std::u16string GameDocumentPath(std::u16string_view gameName);

/// Fetches one document by its path below the CDN base: 0 with its text, else a result as
/// net::HttpGetText gives one (an HTTP status, 2 for an error page, a system error code).
using DocumentFetcher =
    std::function<std::uint32_t(std::u16string_view path, std::u16string& text)>;

/// Fetches "config/varnugames/gamestarter.json" and "config/varnugames/<game>.gamestarter.json"
/// below the CDN base over HTTPS and reads them. 1 on success (also when the mode has no
/// section); 0 with the English error text of the first failure set.
int FetchConfig(std::u16string_view cdnBase, std::u16string_view gameName, std::u16string_view mode,
                GameConfig& config, std::u16string& errorText);

/// As above, with both documents taken from `fetch`.
int FetchConfig(const DocumentFetcher& fetch, std::u16string_view gameName,
                std::u16string_view mode, GameConfig& config, std::u16string& errorText);

/// The code of the first required member that is empty (1 LauncherName, 2 SetupName,
/// 3 Domain, 4 SetupURL, 5 LauncherURL, 6 RegistryRoot, 7 RegistryPath, 8 InstallParams,
/// 9 ExecParams), or 0 when the configuration is complete.
int ValidationCode(const GameConfig& config);

/// "Invalid config file. (ErrorCode = <code>)", the description of a failed validation.
std::u16string InvalidConfigText(int code);

} // namespace vg::config
