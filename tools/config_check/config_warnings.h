// Values the starter accepts in a game's configuration that would hurt at run time.
#pragma once

#include "check_result.h"
#include "config/game_config.h"

#include <vector>

namespace vg::config_check {

/// Warnings about a configuration the starter has read: a "LauncherURL" or "SetupURL" that
/// does not end in "/", a "RegistryRoot" that names no hive (read as HKCU), an "ExecParams"
/// without "{KEY}", a signer check that is off or accepts any launcher. Empty values are left
/// to the validation.
std::vector<Warning> RunTimeWarnings(const config::GameConfig& config);

} // namespace vg::config_check
