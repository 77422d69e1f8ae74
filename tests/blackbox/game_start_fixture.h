// A game start as a browser starts it: the built program, a publisher sandbox with the game's
// documents and files, a Wine prefix of its own, and a recorder in place of Wine.
#pragma once

#include "sandbox/sandbox.h"
#include "support/child_process.h"
#include "support/launch_record.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vg::test {

/// One telemetry event as the collector received it.
struct ReceivedEvent {
    std::string actionCode;
    std::string actionResult;
    std::string description; ///< empty when the document had none
    bool hasDescription = false;
    std::string sequenceKey;
    std::string document; ///< the JSON text, escapes decoded
};

class GameStartTest : public testing::Test {
public:
    GameStartTest();
    ~GameStartTest() override;

    /// The CDN's two documents for "mygame" in the mode "live" (and "qa", the test tree).
    void ServeConfig(const std::string& section);
    void Serve(const std::string& host, const std::string& path, std::string_view bytes);
    void ServeFile(const std::string& host, const std::string& path,
                   const std::filesystem::path& file);

    /// Registers the install directory as HKCU\Software\MyGame "InstallPath".
    void RegisterInstallPath(const std::string& windowsPath);

    /// Runs the program (by default the built one) with the launch URL; its standard error holds
    /// the notices.
    ProcessResult Run(const std::string& url, const std::string& program = VG_PROGRAM);

    /// The events the collector received, in order.
    std::vector<ReceivedEvent> Events() const;
    /// "CODE result" for each event, for whole-sequence comparisons.
    std::vector<std::string> EventSummary() const;

    /// What the program started, through the recorder standing in for it or for Wine.
    std::optional<LaunchRecord> Started() const;

    /// The default mode section, with the launcher and one check file on the download host.
    static std::string Section(const std::string& extraMembers = "");

    TempDir dir_;
    std::unique_ptr<sandbox::Sandbox> sandbox_;
    std::filesystem::path installDir_;
    std::filesystem::path tempDir_;
    std::filesystem::path trustBundle_;
    std::string recordFile_;
    std::string gameUrl_ = "varnugamesstarter://mygame|live|Launcher.exe|tok|m1|ag|web";
    /// Laid over the environment each Run gives the program.
    EnvironmentChanges extraEnvironment_;
};

inline const std::string kDownloadHost = "download.varnugames.com";

} // namespace vg::test
