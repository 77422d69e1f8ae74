// A game start as a browser starts it: the program under test, a publisher sandbox with the
// game's documents and files, a Wine prefix and folders of the test's own, and a recorder in
// place of the programs it starts.
#pragma once

#include "blackbox/program_under_test.h"
#include "sandbox/sandbox.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
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

/// A program a run started, as the recorder standing in for it saw it.
struct StartedProgram {
    std::filesystem::path program; ///< the started file, as a path of this machine
    std::vector<std::string> args; ///< the arguments after it
    std::filesystem::path folder;  ///< its current folder
};

class GameStartTest : public testing::Test {
public:
    GameStartTest();
    ~GameStartTest() override;

    /// Shows the last run's events, and what Wine itself wrote then, when the test failed.
    void TearDown() override;

    /// The CDN's two documents for "mygame" in the mode "live" (and "qa", the test tree).
    void ServeConfig(const std::string& section);
    void Serve(const std::string& host, const std::string& path, std::string_view bytes);
    void ServeFile(const std::string& host, const std::string& path,
                   const std::filesystem::path& file);

    /// Registers the install directory as HKCU\Software\MyGame "InstallPath".
    void RegisterInstallPath();
    /// Gives these registry values to every later run; a value without data is made absent.
    void SetRegistryValues(const std::vector<RegistryValue>& values);

    /// Runs the program (by default the built starter) with the launch URL; the result's `err`
    /// holds the notices.
    ProcessResult Run(const std::string& url);
    ProcessResult Run(const std::string& url, const std::filesystem::path& program);
    /// Starts the built starter with the launch URL; target_.Finished reads its result.
    std::unique_ptr<ChildProcess> Start(const std::string& url);

    /// The events the collector received, in order.
    std::vector<ReceivedEvent> Events() const;
    /// The events once there are at least `count` of them, or after 30 s: a run handed over to a
    /// new build, or still in its telemetry stop, reports after the test's own child has ended.
    std::vector<ReceivedEvent> EventsOnceThereAre(std::size_t count) const;
    /// "CODE result" for each event, for whole-sequence comparisons.
    std::vector<std::string> EventSummary() const;

    /// What the run started, through the recorder standing in for it (or, on Linux, for Wine).
    std::optional<StartedProgram> Started() const;

    /// The default mode section, with the launcher and one check file on the download host.
    static std::string Section(const std::string& extraMembers = "");

    const ProgramUnderTest& target_ = ProgramUnderTest::Get();
    TempDir dir_;
    std::unique_ptr<sandbox::Sandbox> sandbox_;
    std::filesystem::path installDir_;
    std::filesystem::path tempDir_;
    std::filesystem::path runtimeDir_;
    std::filesystem::path trustBundle_;
    std::string recordFile_;
    std::string gameUrl_ = "varnugamesstarter://mygame|live|Launcher.exe|tok|m1|ag|web";
    /// Laid over the environment each Run gives the program.
    EnvironmentChanges extraEnvironment_;

protected:
    /// The environment each Run gives the program, extraEnvironment_ laid over it.
    EnvironmentChanges Environment() const;

private:
    std::vector<RegistryValue> registry_;
    std::string lastSystemLog_;
};

inline const std::string kDownloadHost = "download.varnugames.com";

} // namespace vg::test
