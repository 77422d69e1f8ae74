// One instance at a time across real processes: a second run while the first is at work ends
// after its dialog, and the lock is free again once the first has ended.
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <thread>

namespace vg::test {
namespace {

TEST(SingleInstanceTest, SecondRunEndsAtTheMutexWhileTheFirstIsAtWork) {
    TempDir dir;
    const std::string url = "varnugamesstarter://game|live|Launcher.exe|tok";
    const std::string release = (dir / "release").string();
    auto environment = [&](const std::string& log) {
        return EnvironmentChanges{{"XDG_RUNTIME_DIR", dir.Path().string()},
                                  {"VG_PROBE_LOG", (dir / log).string()},
                                  {"VG_PROBE_HOLD", release}};
    };

    ChildProcess first(VG_SHELL_PROBE, {url}, environment("first.log"));
    // The first run is inside its game start, holding the mutex, until the release file exists.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadFile(dir / "first.log").find("startGame") == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the first run never started";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const ProcessResult second = RunProcess(VG_SHELL_PROBE, {url}, environment("second.log"));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_EQ(ReadFile(dir / "second.log"), "dialog lock=held\n");

    WriteFile(release, "");
    const ProcessResult firstResult = first.Wait();
    EXPECT_EQ(firstResult.exitCode, 0);
    EXPECT_NE(ReadFile(dir / "first.log").find("stopTelemetry lock=free"), std::string::npos);

    // With the first run over, the next one goes through.
    RunProcess(VG_SHELL_PROBE, {url}, environment("third.log"));
    EXPECT_NE(ReadFile(dir / "third.log").find("startGame"), std::string::npos);
}

} // namespace
} // namespace vg::test
