// The Windows installer in the shared Wine prefix: a silent install puts the program where its
// uninstall entry says and registers it for the links; a link opened through the shell reaches
// the installed program whole; the silent uninstall takes all of it away again.
#include "blackbox/game_start_fixture.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

const std::string kSchemeKey = R"(HKCR\varnugamesstarter)";
// Where the installer writes it; HKCR shows it.
const std::string kMachineSchemeKey = R"(HKLM\Software\Classes\varnugamesstarter)";
const std::string kUninstallKey =
    R"(HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VarnugamesStarter)";
const std::string kPublisherFolder = R"(C:\Program Files\Varnugames)";
const std::string kInstallFolder = kPublisherFolder + R"(\VarnugamesStarter)";
const std::string kProgram = kInstallFolder + R"(\VarnugamesStarter.exe)";
const std::string kUninstaller = kInstallFolder + R"(\uninstall.exe)";
// The uninstaller's copy of itself is deleted at the next start of Windows.
const std::string kSessionManager = R"(HKLM\System\CurrentControlSet\Control\Session Manager)";
const std::string kPendingRenames = "PendingFileRenameOperations";

const std::vector<std::string> kSuccessfulStart = {
    "START 00000000", "SELFUPDATE 00000000", "INIT 00000000",   "INSTALL 00000000",
    "PATCH 00000000", "POSTPATCH 00000000",  "LAUNCH 00000000", "DONE 00000000"};

/// A registry value as "reg query" shows it.
struct ShownValue {
    std::string type;
    std::string data;
};

bool operator==(const ShownValue& a, const ShownValue& b) {
    return a.type == b.type && a.data == b.data;
}

std::ostream& operator<<(std::ostream& out, const ShownValue& value) {
    return out << value.type << " \"" << value.data << "\"";
}

ShownValue Text(std::string data) {
    return {"REG_SZ", std::move(data)};
}

// "reg query" shows a value as "    <name>    <type>    <data>"; the name of the default value
// is in the locale's language, so the one value asked for is found by its type.
std::optional<ShownValue> ParseShownValue(const std::string& output) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t type = line.find("    REG_");
        if (type == std::string::npos) {
            continue;
        }
        const std::size_t typeEnd = line.find("    ", type + 4);
        if (typeEnd == std::string::npos) {
            return ShownValue{line.substr(type + 4), ""};
        }
        return ShownValue{line.substr(type + 4, typeEnd - type - 4), line.substr(typeEnd + 4)};
    }
    return std::nullopt;
}

/// The program path and the arguments of a command line whose program is quoted.
std::pair<std::string, std::string> SplitQuotedProgram(const std::string& commandLine) {
    if (commandLine.size() < 2 || commandLine.front() != '"') {
        return {commandLine, ""};
    }
    const std::size_t close = commandLine.find('"', 1);
    if (close == std::string::npos) {
        return {commandLine, ""};
    }
    std::string rest = commandLine.substr(close + 1);
    rest.erase(0, rest.find_first_not_of(' '));
    return {commandLine.substr(1, close - 1), rest};
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
}

/// Whether a process runs a program from below `windowsFolder`: Wine gives the Linux process of
/// a Windows program that program's command line.
bool ProgramRunsFrom(const std::string& windowsFolder) {
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string commandLine = ReadFile(entry.path() / "cmdline");
        if (commandLine.rfind(windowsFolder + "\\", 0) == 0) {
            return true;
        }
    }
    return false;
}

std::string Joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) {
        text += (text.empty() ? "" : " ") + arg;
    }
    return text;
}

class InstallerTest : public GameStartTest {
public:
    void SetUp() override {
        ASSERT_TRUE(target_.IsWindows()) << "runs with VG_TEST_TARGET=windows";
        ASSERT_TRUE(fs::is_regular_file(VG_WINDOWS_INSTALLER)) << VG_WINDOWS_INSTALLER;
        ASSERT_FALSE(AnythingInstalled()) << "the prefix already holds an install";
        pendingRenamesBefore_ = Value(kSessionManager, kPendingRenames).has_value();
    }

    // Whatever a failed check left, the prefix is left as the test found it.
    void TearDown() override {
        if (!installerRan_) {
            GameStartTest::TearDown();
            return;
        }
        if (KeyExists(kUninstallKey)) {
            Uninstall();
        }
        if (AnythingInstalled()) {
            ADD_FAILURE() << "the uninstaller left parts of the install; removing them by hand";
            RemoveByHand();
        }
        if (!pendingRenamesBefore_) {
            target_.Run("reg", {"delete", kSessionManager, "/v", kPendingRenames, "/f"}, {});
        }
        EXPECT_TRUE(WaitUntil([&] { return !ProgramRunsFrom(target_.ProgramPath(dir_.Path())); },
                              std::chrono::seconds(10)))
            << "a program of the test still runs";
        GameStartTest::TearDown();
    }

    /// Runs the installer silently; wine64 returns when it has ended.
    ProcessResult Install() {
        installerRan_ = true;
        return target_.Run(VG_WINDOWS_INSTALLER, {"/S"}, {});
    }

    /// A value of a key in the shared prefix; `name` none for the key's default value.
    std::optional<ShownValue> Value(const std::string& key,
                                    const std::optional<std::string>& name) const {
        std::vector<std::string> args = {"query", key};
        if (name) {
            args.insert(args.end(), {"/v", *name});
        } else {
            args.emplace_back("/ve");
        }
        const ProcessResult result = target_.Run("reg", args, {});
        return result.exitCode == 0 ? ParseShownValue(result.out) : std::nullopt;
    }

    bool KeyExists(const std::string& key) const {
        return target_.Run("reg", {"query", key}, {}).exitCode == 0;
    }

    fs::path Host(const std::string& windowsPath) const { return target_.HostPath(windowsPath); }

    /// Opens a link as the shell does: the program registered for its scheme is started with
    /// it, and "start /wait" waits for that program to end.
    ProcessResult OpenLink(const std::string& link) {
        sandbox_->ClearRequests();
        fs::remove(recordFile_);
        return target_.Run("start", {"/wait", link}, Environment());
    }

    /// Runs the uninstall entry's silent command and waits for its work: the uninstaller hands
    /// over to a copy of itself in the temporary folder and returns at once.
    void Uninstall() {
        const std::optional<ShownValue> command = Value(kUninstallKey, "QuietUninstallString");
        const auto [program, args] =
            SplitQuotedProgram(command ? command->data : "\"" + kUninstaller + "\" /S");
        std::vector<std::string> arguments;
        if (!args.empty()) {
            arguments.push_back(args);
        }
        const ProcessResult result = target_.Run(program, arguments, {});
        EXPECT_EQ(result.exitCode, 0) << result.systemLog;
        const bool finished =
            WaitUntil([&] { return !KeyExists(kUninstallKey) && !ProgramRunsFrom(TempFolder()); },
                      std::chrono::seconds(30));
        EXPECT_TRUE(finished) << "the uninstaller did not finish";
    }

    std::string TempFolder() const { return target_.ProgramPath(tempDir_); }

    bool AnythingInstalled() const {
        return KeyExists(kUninstallKey) || KeyExists(kMachineSchemeKey) ||
               fs::exists(Host(kPublisherFolder));
    }

    void RemoveByHand() {
        for (const std::string& key : {kMachineSchemeKey, kUninstallKey}) {
            target_.Run("reg", {"delete", key, "/f"}, {});
        }
        fs::remove_all(Host(kPublisherFolder));
    }

    /// An installed game whose launcher is the recorder.
    void InstallGame() {
        RegisterInstallPath();
        fs::copy_file(target_.Recorder(), installDir_ / "Launcher.exe");
        WriteFile(installDir_ / "data.pak", "game data");
    }

    bool CdnServed(const std::string& path) const {
        const std::string cdnHost = util::ToUtf8(deployment::kCdnHost);
        for (const sandbox::RecordedRequest& request : sandbox_->Requests()) {
            if (request.host == cdnHost && request.path == path) {
                return true;
            }
        }
        return false;
    }

private:
    bool installerRan_ = false;
    bool pendingRenamesBefore_ = false;
};

TEST_F(InstallerTest, InstallsRegistersTheLinksAndUninstalls) {
    const ProcessResult install = Install();
    ASSERT_EQ(install.exitCode, 0) << install.systemLog;

    // The uninstall entry, and the files where it says they are.
    EXPECT_EQ(Value(kUninstallKey, "DisplayName"), Text("Varnugames Starter"));
    EXPECT_EQ(Value(kUninstallKey, "DisplayVersion"), Text(VG_PRODUCT_VERSION));
    EXPECT_EQ(Value(kUninstallKey, "Publisher"), Text("Varnugames"));
    EXPECT_EQ(Value(kUninstallKey, "NoModify"), (ShownValue{"REG_DWORD", "0x1"}));
    EXPECT_EQ(Value(kUninstallKey, "NoRepair"), (ShownValue{"REG_DWORD", "0x1"}));
    const std::optional<ShownValue> location = Value(kUninstallKey, "InstallLocation");
    ASSERT_EQ(location, Text(kInstallFolder));
    EXPECT_EQ(Value(kUninstallKey, "UninstallString"), Text("\"" + kUninstaller + "\""));
    EXPECT_EQ(Value(kUninstallKey, "QuietUninstallString"), Text("\"" + kUninstaller + "\" /S"));
    EXPECT_EQ(ReadFile(Host(location->data) / "VarnugamesStarter.exe"),
              ReadFile(target_.Starter()));
    EXPECT_TRUE(fs::is_regular_file(Host(location->data) / "uninstall.exe"));

    // The handler of the scheme, as the shell looks it up.
    EXPECT_EQ(Value(kSchemeKey, std::nullopt), Text("URL:Varnugames Starter Protocol"));
    EXPECT_EQ(Value(kSchemeKey, "URL Protocol"), Text(""));
    EXPECT_EQ(Value(kSchemeKey + R"(\DefaultIcon)", std::nullopt), Text(kProgram + ",0"));
    EXPECT_EQ(Value(kSchemeKey + R"(\shell\open\command)", std::nullopt),
              Text("\"" + kProgram + "\" \"%1\""));

    // A link opened through the shell reaches the installed program as one argument: its
    // fields, separated by "%7C", arrive at the publisher's servers and at the launcher, the
    // token's blank included.
    ServeConfig(Section());
    InstallGame();
    const ProcessResult opened =
        OpenLink("varnugamesstarter://mygame%7Clive%7CLauncher.exe%7Cto ken%7Cm1%7Cag%7Cweb");
    EXPECT_TRUE(CdnServed("/live/config/varnugames/mygame.gamestarter.json")) << opened.systemLog;
    EXPECT_EQ(EventSummary(), kSuccessfulStart);
    for (const ReceivedEvent& event : Events()) {
        EXPECT_NE(event.document.find(R"("mid":"m1")"), std::string::npos) << event.document;
        EXPECT_NE(event.document.find(R"("service_code":"mygame")"), std::string::npos)
            << event.document;
    }
    const std::optional<StartedProgram> started = Started();
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(fs::weakly_canonical(started->program),
              fs::weakly_canonical(installDir_ / "Launcher.exe"));
    EXPECT_TRUE(Joined(started->args)
                    .starts_with("-game=mygame -mode=live -token=to ken -mid=m1 -channel=web "
                                 "-agent=ag -key="))
        << Joined(started->args);

    // The silent uninstall takes the program, the uninstaller, what a self-update leaves beside
    // them, the folders and both keys.
    WriteFile(Host(location->data) / "VarnugamesStarter.e__", "the build an update replaced");
    WriteFile(Host(location->data) / "VarnugamesStarter.ex_", "a downloaded update package");
    Uninstall();
    EXPECT_FALSE(fs::exists(Host(kPublisherFolder)));
    EXPECT_FALSE(KeyExists(kSchemeKey));
    EXPECT_FALSE(KeyExists(kMachineSchemeKey));
    EXPECT_FALSE(KeyExists(kUninstallKey));
}

} // namespace
} // namespace vg::test
