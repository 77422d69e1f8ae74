// The steps of a game start, their events and their notices.
#include "startflow/game_starter.h"

#include "app/execute_program.h"
#include "config/config_loader.h"
#include "config/install_path.h"
#include "net/http_download.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/signature.h"
#include "startflow/safe_names.h"
#include "startflow/start_messages.h"
#include "util/text_encoding.h"
#include "util/wide_text.h"

#include <array>
#include <cstdio>
#include <utility>

namespace vg::startflow {
namespace {

std::u16string Format(const char* format, int number) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, number);
    return util::WidenAscii(buffer);
}

std::u16string ExecuteFailedText(std::uint32_t lastError) {
    return Format("Failed to installation file execute. (%d)", static_cast<int>(lastError));
}

/// "Failed to <what> downlaod. (ErrorCode = <result>, URL = <host><path>)" as the collector has
/// always received it, spelling included.
std::u16string DownloadFailedText(std::u16string_view what, std::uint32_t result,
                                  std::u16string_view host, std::u16string_view path) {
    return u"Failed to " + std::u16string(what) + u" downlaod. (ErrorCode = " +
           util::WidenAscii(std::to_string(static_cast<int>(result))) + u", URL = " +
           std::u16string(host) + std::u16string(path) + u")";
}

} // namespace

CGameStarter::CGameStarter(GameStartServices services) : services_(std::move(services)) {}

void CGameStarter::Send(std::u16string_view actionCode, std::uint32_t result,
                        std::u16string_view description) const {
    if (services_.sendEvent) {
        services_.sendEvent(std::u16string(actionCode), result, std::u16string(description));
    }
}

std::u16string CGameStarter::InInstallDirectory(std::u16string_view name) const {
    return InstallPath + u"\\" + std::u16string(name);
}

int CGameStarter::LoadConfig(std::u16string_view cdnBase, std::u16string_view mode,
                             std::u16string_view gameName, std::u16string_view launcherFile,
                             std::u16string_view encStr, std::u16string_view mid,
                             std::u16string_view channel, std::u16string_view agent) {
    CdnBase = cdnBase;
    Mode = mode;
    GameName = gameName;
    LauncherFile = launcherFile;
    EncStr = encStr;
    Mid = mid;
    Channel = channel;
    Agent = agent;
    std::u16string errorText;
    if (config::FetchConfig(CdnBase, GameName, Mode, *this, errorText) != 1) {
        Send(u"INIT", kConfigFetchFailed, errorText);
        ShowStartMessage(kMessage19);
        return 0;
    }
    if (const int code = config::ValidationCode(*this); code != 0) {
        Send(u"INIT", kConfigInvalid, config::InvalidConfigText(code));
        ShowStartMessage(kMessage20);
        return 0;
    }
    return 1;
}

int CGameStarter::FindInstallPath() {
    return config::FindInstallPath(RegistryRoot, RegistryPath, InstallPath);
}

int CGameStarter::InstallGame() {
    if (const auto refusal = RefusedInstallerName(SetupName)) {
        Send(u"INSTALL", kInstallFailed, *refusal);
        return 0;
    }
    const std::u16string localPath = platform::TemporaryDirectory() + SetupName;
    const std::u16string urlPath = SetupURL + SetupName;
    const std::uint32_t result = net::HttpDownloadFile(Domain, urlPath, localPath, 0, 0);
    if (result != 0) {
        Send(u"INSTALL", kInstallFailed,
             u"Failed to installation file download. (ErrorCode = " +
                 util::WidenAscii(std::to_string(static_cast<int>(result))) + u", URL = " + Domain +
                 urlPath + u") ");
        return 0;
    }
    platform::MarkExecutable(localPath);
    Send(u"INSTALL");
    Send(u"PATCH");
    Send(u"POSTPATCH");
    if (app::ExecuteProgram(localPath, ExpandTemplate(InstallParams)) != 1) {
        Send(u"LAUNCH", kLaunchFailed, ExecuteFailedText(platform::GetLastError()));
        return 0;
    }
    Send(u"LAUNCH");
    Send(u"DONE");
    return 1;
}

int CGameStarter::CheckInstalledFiles() {
    if (!platform::FileExists(InInstallDirectory(LauncherFile))) {
        return 0;
    }
    for (const std::u16string& file : CheckFiles) {
        if (!platform::FileExists(InInstallDirectory(file))) {
            return 0;
        }
    }
    return 1;
}

std::uint32_t CGameStarter::DownloadLauncher(std::u16string& errorText) {
    const std::u16string launcherPath = InInstallDirectory(LauncherFile);
    const std::u16string launcherUrl = LauncherURL + LauncherName;
    std::uint32_t result = net::HttpDownloadFile(Domain, launcherUrl, launcherPath, 0, 0);
    if (result != 0) {
        errorText = DownloadFailedText(LauncherFile, result, Domain, launcherUrl) + u" ";
        return kPatchFailed;
    }
    platform::MarkExecutable(launcherPath);
    for (const std::u16string& file : CheckFiles) {
        const std::u16string url = LauncherURL + file;
        result = net::HttpDownloadFile(Domain, url, InInstallDirectory(file), 0, 0);
        if (result != 0) {
            errorText = DownloadFailedText(file, result, Domain, url);
            return kPatchFailed;
        }
    }
    return 0;
}

int CGameStarter::VerifyLauncherSigner() {
    const std::u16string launcherPath = InInstallDirectory(LauncherFile);
    if (CodeSignName.empty()) {
        return 1;
    }
    for (const std::u16string& name : CodeSignName) {
        if (platform::CheckFileSigner(launcherPath, name) == 0) {
            return 1;
        }
    }
    return 0;
}

std::u16string CGameStarter::ExpandTemplate(std::u16string_view text) const {
    std::u16string expanded(text);
    const std::array<std::pair<std::u16string_view, const std::u16string*>, 6> fields = {{
        {u"{GAMENAME}", &GameName},
        {u"{Mode}", &Mode},
        {u"{EncStr}", &EncStr},
        {u"{MID}", &Mid},
        {u"{CHANNEL}", &Channel},
        {u"{AGENT}", &Agent},
    }};
    for (const auto& [placeholder, value] : fields) {
        util::ReplaceAll(expanded, placeholder, *value);
    }
    if (expanded.find(u"{KEY}") != std::u16string::npos) {
        util::ReplaceAll(expanded, u"{KEY}",
                         services_.sequenceKey ? services_.sequenceKey() : std::u16string());
    }
    return expanded;
}

std::optional<std::u16string> CGameStarter::UnsafePatchName() const {
    if (auto refusal = RefusedLauncherName(LauncherFile)) {
        return refusal;
    }
    for (const std::u16string& file : CheckFiles) {
        if (auto refusal = RefusedCheckFileName(file)) {
            return refusal;
        }
    }
    return std::nullopt;
}

int CGameStarter::Patch() {
    // Names from the web page and the CDN become paths below the install directory: one that
    // would leave it ends the start before anything is deleted, downloaded or started.
    if (const auto refusal = UnsafePatchName()) {
        Send(u"PATCH", kPatchFailed, *refusal);
        ShowStartMessage(kMessage22);
        return 0;
    }
    if (CheckInstalledFiles() != 1) {
        std::u16string errorText;
        if (DownloadLauncher(errorText) == kPatchFailed) {
            Send(u"PATCH", kPatchFailed, errorText);
            ShowStartMessage(kMessage22);
            return 0;
        }
    }
    Send(u"PATCH");
    return 1;
}

int CGameStarter::PostPatch() {
    if (CheckCodeSignOption && VerifyLauncherSigner() != 1) {
        const std::u16string launcherPath = InInstallDirectory(LauncherFile);
        platform::RemoveFile(launcherPath);
        std::u16string errorText;
        if (DownloadLauncher(errorText) == kPatchFailed) {
            Send(u"POSTPATCH", kPatchFailed, errorText);
            ShowStartMessage(kMessage22);
            return 0;
        }
        // A launcher that fails the signer check is never started, downloaded again or not.
        if (VerifyLauncherSigner() != 1) {
            platform::RemoveFile(launcherPath);
            Send(u"POSTPATCH", kPatchFailed,
                 u"The launcher " + LauncherFile +
                     u" is not signed by an accepted signer, also after it was downloaded again; "
                     u"it was deleted and not started.");
            ShowStartMessage(kMessage22);
            return 0;
        }
    }
    Send(u"POSTPATCH");
    return 1;
}

int CGameStarter::Launch() {
    platform::ChangeCurrentDirectory(InstallPath);
    if (app::ExecuteProgram(InInstallDirectory(LauncherFile), ExpandTemplate(ExecParams)) != 1) {
        Send(u"LAUNCH", kLaunchFailed, ExecuteFailedText(platform::GetLastError()));
        return 0;
    }
    Send(u"LAUNCH");
    return 1;
}

int CGameStarter::Run() {
    if (FindInstallPath() != 1) {
        if (InstallGame() != 1) {
            ShowStartMessage(kMessage21);
        }
        return 0;
    }
    Send(u"INSTALL");
    if (Patch() != 1 || PostPatch() != 1 || Launch() != 1) {
        return 0;
    }
    Send(u"DONE");
    return 1;
}

int StartGame(std::u16string_view cdnBase, std::u16string_view mode, std::u16string_view gameName,
              std::u16string_view launcherFile, std::u16string_view encStr, std::u16string_view mid,
              std::u16string_view channel, std::u16string_view agent, GameStartServices services) {
    CGameStarter starter(std::move(services));
    if (starter.LoadConfig(cdnBase, mode, gameName, launcherFile, encStr, mid, channel, agent) !=
        1) {
        return 0;
    }
    starter.Send(u"INIT");
    starter.Run();
    return 1;
}

} // namespace vg::startflow
