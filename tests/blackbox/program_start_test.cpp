// The built program started as a browser starts it: how each kind of command line ends.
#include "platform/named_mutex.h"
#include "sandbox/sandbox.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vg::test {
namespace {

using namespace std::chrono_literals;

class ProgramStartTest : public testing::Test {
protected:
    ProcessResult Run(const std::vector<std::string>& args) {
        return RunProcess(VG_PROGRAM, args, Environment());
    }

    /// Every publisher host is routed to a port where nothing listens, so that a run that gets
    /// as far as the network fails at once instead of reaching out.
    EnvironmentChanges Environment() const {
        std::string unreachable;
        for (const std::string& host : sandbox::DeploymentHostNames()) {
            unreachable += (unreachable.empty() ? "" : ",") + host + ":443:127.0.0.1:1";
        }
        return {{"XDG_RUNTIME_DIR", runtimeDir_.Path().string()},
                {"VARNUGAMES_CONNECT_TO", unreachable},
                {"DISPLAY", std::nullopt},
                {"WAYLAND_DISPLAY", std::nullopt}};
    }

    bool LockIsFree() {
        ::setenv("XDG_RUNTIME_DIR", runtimeDir_.Path().c_str(), 1);
        const bool free = !platform::NamedMutex::Create(u"__VG_STARTER__").AlreadyExisted();
        ::unsetenv("XDG_RUNTIME_DIR");
        return free;
    }

    TempDir runtimeDir_;
};

TEST_F(ProgramStartTest, WithoutAnArgumentEndsAtOnceAndTakesNoLock) {
    const ProcessResult result = Run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(std::filesystem::exists(runtimeDir_ / "__VG_STARTER__.lock"));
}

TEST_F(ProgramStartTest, RefusedCommandLinesEndQuietlyAfterTheDialog) {
    for (const std::string& commandLine :
         {std::string("game|live|Launcher.exe|token"),
          std::string("varnugamesstarter://game|live|Launcher.exe"),
          std::string("VARNUGAMESSTARTER://game|live|Launcher.exe|token"), std::string("")}) {
        const ProcessResult result = Run({commandLine});
        EXPECT_EQ(result.exitCode, 0) << commandLine;
        EXPECT_EQ(result.out, "") << commandLine;
        EXPECT_EQ(result.err, "") << commandLine;
        // The invisible dialog runs for its 300 ms before anything is checked.
        EXPECT_GE(result.elapsed, 300ms) << commandLine;
        EXPECT_TRUE(LockIsFree()) << commandLine;
    }
}

TEST_F(ProgramStartTest, AcceptedUrlRunsTheGameStartAndReleasesTheLock) {
    const ProcessResult result =
        Run({"varnugamesstarter://game|live|Launcher.exe|token|m1|agent|channel"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    // Without a reachable CDN the configuration cannot be fetched: notice 19.
    EXPECT_EQ(result.err.rfind("Varnugames Starter: [오류번호:19] ", 0), 0u) << result.err;
    EXPECT_GE(result.elapsed, 300ms);
    EXPECT_TRUE(std::filesystem::exists(runtimeDir_ / "__VG_STARTER__.lock"));
    EXPECT_TRUE(LockIsFree());
}

TEST_F(ProgramStartTest, SecondCopyEndsSilentlyAfterItsDialog) {
    ::setenv("XDG_RUNTIME_DIR", runtimeDir_.Path().c_str(), 1);
    const platform::NamedMutex running = platform::NamedMutex::Create(u"__VG_STARTER__");
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(running.IsHeld());
    const ProcessResult result = Run({"varnugamesstarter://game|live|Launcher.exe|token"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_GE(result.elapsed, 300ms);
}

} // namespace
} // namespace vg::test
