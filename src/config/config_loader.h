// Fetching a game's configuration from the CDN, and the check that it is complete.
#pragma once

#include "config/game_config.h"

#include <string>
#include <string_view>

namespace vg::config {

/// The CDN paths, below the CDN base.
inline constexpr std::u16string_view kServiceListPath = u"config/varnugames/gamestarter.json";

/// Fetches "config/varnugames/gamestarter.json" and "config/varnugames/<game>.gamestarter.json"
/// below the CDN base over HTTPS and reads them. 1 on success (also when the mode has no
/// section); 0 with the English error text of the first failure set.
int FetchConfig(std::u16string_view cdnBase, std::u16string_view gameName, std::u16string_view mode,
                GameConfig& config, std::u16string& errorText);

/// The code of the first required member that is empty (1 LauncherName, 2 SetupName,
/// 3 Domain, 4 SetupURL, 5 LauncherURL, 6 RegistryRoot, 7 RegistryPath, 8 InstallParams,
/// 9 ExecParams), or 0 when the configuration is complete.
int ValidationCode(const GameConfig& config);

} // namespace vg::config
