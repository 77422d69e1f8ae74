// One game start: the configuration, the install directory, and the steps INSTALL, PATCH,
// POSTPATCH, LAUNCH and DONE, each reported as a telemetry event.
#pragma once

#include "config/game_config.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vg::startflow {

/// What a game start reports to, and the run's telemetry key.
struct GameStartServices {
    std::function<void(const std::u16string& actionCode, std::uint32_t result,
                       const std::u16string& description)>
        sendEvent;
    /// The run's telemetry sequence key, for "{KEY}".
    std::function<std::u16string()> sequenceKey;
};

/// Action results of the steps.
inline constexpr std::uint32_t kConfigFetchFailed = 0xA0030001;
inline constexpr std::uint32_t kConfigInvalid = 0xA0030002;
inline constexpr std::uint32_t kInstallFailed = 0xA0040001;
inline constexpr std::uint32_t kPatchFailed = 0xA0050001;
inline constexpr std::uint32_t kLaunchFailed = 0xA0060001;

/// The state of one game start; members carry the names of the launch fields and of the
/// configuration's keys.
class CGameStarter : public config::GameConfig {
public:
    explicit CGameStarter(GameStartServices services);

    /// Copies the launch fields, fetches and checks the configuration; 1 when it is complete.
    /// A failure is reported as an "INIT" event and message 19 or 20.
    int LoadConfig(std::u16string_view cdnBase, std::u16string_view mode,
                   std::u16string_view gameName, std::u16string_view launcherFile,
                   std::u16string_view encStr, std::u16string_view mid, std::u16string_view channel,
                   std::u16string_view agent);

    /// The steps after the configuration; 1 when the launcher was started.
    int Run();

    /// Finds the install directory in the registry; 1 when found.
    int FindInstallPath();
    /// Downloads the installer to the temporary directory and starts it; 1 when started.
    int InstallGame();
    /// 1 when the launcher and every check file are in the install directory.
    int CheckInstalledFiles();
    /// Downloads the launcher and every check file; 0, or kPatchFailed with the error text.
    std::uint32_t DownloadLauncher(std::u16string& errorText);
    /// 1 when the launcher is signed by one of the accepted names, or none are configured.
    int VerifyLauncherSigner();
    /// The template with its placeholders filled in, in their fixed order.
    std::u16string ExpandTemplate(std::u16string_view text) const;

    std::u16string CdnBase;
    std::u16string Mode;
    std::u16string GameName;
    std::u16string LauncherFile;
    std::u16string EncStr;
    std::u16string Mid;
    std::u16string Channel;
    std::u16string Agent;
    std::u16string InstallPath;

    /// Queues one telemetry event of this game start.
    void Send(std::u16string_view actionCode, std::uint32_t result = 0,
              std::u16string_view description = u"") const;

private:
    [[nodiscard]] std::u16string InInstallDirectory(std::u16string_view name) const;
    [[nodiscard]] std::optional<std::u16string> UnsafePatchName() const;
    int Patch();
    int PostPatch();
    int Launch();

    GameStartServices services_;
};

/// The game start of a run: loads the configuration, sends "INIT", runs the steps. 1 when the
/// configuration loaded.
int StartGame(std::u16string_view cdnBase, std::u16string_view mode, std::u16string_view gameName,
              std::u16string_view launcherFile, std::u16string_view encStr, std::u16string_view mid,
              std::u16string_view channel, std::u16string_view agent, GameStartServices services);

} // namespace vg::startflow
