// Many game starts of an installed game in a row against one publisher sandbox: every run's
// events reach the collector once and in order under a key of its own, and no run leaves a
// descriptor in the launcher, a process, a temporary file or the instance lock behind.
#include "blackbox/game_start_fixture.h"

#include "support/launch_record.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::vector<std::string> kInstalledGameStart = {
    "START 00000000", "SELFUPDATE 00000000", "INIT 00000000",   "INSTALL 00000000",
    "PATCH 00000000", "POSTPATCH 00000000",  "LAUNCH 00000000", "DONE 00000000"};

/// VG_LOAD_RUNS, or a few for CI: each run waits 2 s per record still queued at its end.
int RunCount() {
    const char* text = std::getenv("VG_LOAD_RUNS");
    const int runs = text ? std::atoi(text) : 0;
    return runs > 0 ? runs : 3;
}

/// The NUL-separated entries of a /proc file; empty when the process is gone or not ours.
std::vector<std::string> ProcEntries(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> entries;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\0', start);
        entries.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return entries;
}

/// What one run left behind; all empty for a clean run.
struct Leftovers {
    std::vector<std::string> descriptors;
    std::vector<std::string> processes;
    std::vector<std::string> tempFiles;
    bool lockHeld = false;

    [[nodiscard]] bool Any() const {
        return !descriptors.empty() || !processes.empty() || !tempFiles.empty() || lockHeld;
    }
};

class LoadTest : public GameStartTest {
public:
    /// An installed game: registry entry, launcher (a recorder) and its check file.
    void InstallGame() {
        ServeConfig(Section());
        RegisterInstallPath();
        fs::copy_file(target_.Recorder(), installDir_ / "Launcher.exe");
        WriteFile(installDir_ / "data.pak", "game data");
    }

    /// Descriptors the launcher was started with beyond its standard three, which the program
    /// points at /dev/null; the Windows recorder reports none.
    std::vector<std::string> LauncherDescriptors() const {
        std::vector<std::string> found;
        const std::optional<LaunchRecord> record = ReadLaunchRecord(recordFile_);
        if (!record) {
            return {"no launch record"};
        }
        for (const auto& [fd, target] : record->otherDescriptors) {
            found.push_back(std::to_string(fd) + " -> " + target);
        }
        for (const auto& [fd, target] : record->standardDescriptors) {
            if (target != "/dev/null") {
                found.push_back(std::to_string(fd) + " -> " + target + " (standard)");
            }
        }
        return found;
    }

    /// Processes of this test (their environment names its folder) that are the program, the
    /// launcher or the recorder; Wine's own servers are shared by every test and not counted.
    std::vector<std::string> OwnProcesses() const {
        const std::string marker = dir_.Path().string();
        const std::vector<std::string> names = {target_.Starter().filename().string(),
                                                "Launcher.exe",
                                                target_.Recorder().filename().string()};
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
            const std::string pid = entry.path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos ||
                pid == std::to_string(::getpid())) {
                continue;
            }
            const std::vector<std::string> environment = ProcEntries(entry.path() / "environ");
            const bool ours = std::any_of(environment.begin(), environment.end(), [&](auto& e) {
                return e.find(marker) != std::string::npos;
            });
            std::string command;
            for (const std::string& arg : ProcEntries(entry.path() / "cmdline")) {
                command += arg + " ";
            }
            const bool named = std::any_of(names.begin(), names.end(), [&](auto& name) {
                return command.find(name) != std::string::npos;
            });
            if (ours && named) {
                found.push_back(pid + ": " + command);
            }
        }
        return found;
    }

    /// The processes still there after a short grace: the launcher ends right after writing
    /// its record, but may not have yet.
    std::vector<std::string> LingeringProcesses() const {
        std::vector<std::string> found = OwnProcesses();
        for (int i = 0; i < 50 && !found.empty(); ++i) {
            std::this_thread::sleep_for(100ms);
            found = OwnProcesses();
        }
        return found;
    }

    /// Whatever is in the private temporary folder; an installed game's start downloads
    /// nothing, so nothing may stay.
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(tempDir_)) {
            found.push_back(entry.path().lexically_relative(tempDir_).string());
        }
        return found;
    }

    Leftovers LeftBehind() const {
        Leftovers left;
        left.descriptors = LauncherDescriptors();
        left.processes = LingeringProcesses();
        left.tempFiles = TempFiles();
        left.lockHeld = !target_.InstanceLockIsFree(runtimeDir_);
        return left;
    }
};

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += "\n    " + item;
    }
    return text;
}

TEST_F(LoadTest, GameStartsInARowLoseNothingAndLeaveNothing) {
    InstallGame();
    const int runs = RunCount();
    std::set<std::string> keys;
    std::size_t events = 0;
    int emptyKeys = 0;
    int leakyRuns = 0;
    std::chrono::milliseconds fastest = std::chrono::hours(1);
    std::chrono::milliseconds slowest{0};
    const auto started = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        fs::remove(recordFile_);
        const ProcessResult result = Run(gameUrl_);
        fastest = std::min(fastest, result.elapsed);
        slowest = std::max(slowest, result.elapsed);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out + result.err, "");
        const std::optional<StartedProgram> launcher = Started();
        ASSERT_TRUE(launcher.has_value()) << "the launcher was not started";

        const std::vector<ReceivedEvent> received = Events();
        events += received.size();
        EXPECT_EQ(EventSummary(), kInstalledGameStart);
        const std::string key = received.empty() ? "" : received.front().sequenceKey;
        for (const ReceivedEvent& event : received) {
            EXPECT_EQ(event.sequenceKey, key) << event.actionCode;
        }
        ASSERT_FALSE(launcher->args.empty());
        EXPECT_EQ(launcher->args.back(), "-key=" + key) << "the launcher's key is the run's";
        // A machine without an adapter address makes no sequential key; runs then share "".
        if (key.empty()) {
            ++emptyKeys;
        } else {
            EXPECT_TRUE(keys.insert(key).second) << "key " << key << " of an earlier run";
        }

        const Leftovers left = LeftBehind();
        EXPECT_TRUE(left.descriptors.empty()) << "the launcher got" << Joined(left.descriptors);
        EXPECT_TRUE(left.processes.empty()) << "processes left" << Joined(left.processes);
        EXPECT_TRUE(left.tempFiles.empty()) << "temporary files left" << Joined(left.tempFiles);
        EXPECT_FALSE(left.lockHeld) << "the instance lock is still held";
        leakyRuns += left.Any() ? 1 : 0;
    }
    const auto wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    std::cout << "load summary: runs=" << runs << " events=" << events
              << " expected_events=" << static_cast<std::size_t>(runs) * kInstalledGameStart.size()
              << " distinct_keys=" << keys.size() << " empty_keys=" << emptyKeys
              << " wall_s=" << wall.count() << " per_run_s=" << wall.count() / runs
              << " fastest_run_ms=" << fastest.count() << " slowest_run_ms=" << slowest.count()
              << " runs_with_leftovers=" << leakyRuns << std::endl;
}

} // namespace
} // namespace vg::test
