// The configuration of one game in one service mode, as the game's CDN document gives it.
#pragma once

#include <string>
#include <vector>

namespace vg::config {

/// The members carry the names of the document's keys.
struct GameConfig {
    std::vector<std::u16string> CheckFiles;   ///< files besides the launcher, below the install dir
    std::u16string LauncherName;              ///< the launcher's name on the download host
    std::u16string SetupName;                 ///< the installer's name, remote and local
    std::u16string Domain;                    ///< the download host
    std::u16string SetupURL;                  ///< the installer's path prefix on Domain
    std::u16string LauncherURL;               ///< the launcher's and check files' path prefix
    std::u16string RegistryRoot;              ///< "HKCR", "HKCU", "HKLM" or "HKU"
    std::vector<std::u16string> RegistryPath; ///< keys searched for "InstallPath", in order
    bool CheckCodeSignOption = true;          ///< whether the launcher's signer is checked
    std::vector<std::u16string> CodeSignName; ///< accepted signer names
    std::u16string InstallParams;             ///< the installer's command-line template
    std::u16string ExecParams;                ///< the launcher's command-line template
};

} // namespace vg::config
