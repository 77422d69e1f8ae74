// The built program started as a browser starts it: how each kind of command line ends.
#include "blackbox/program_under_test.h"
#include "sandbox/sandbox.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vg::test {
namespace {

using namespace std::chrono_literals;

class ProgramStartTest : public testing::Test {
protected:
    ProcessResult Run(const std::vector<std::string>& args) {
        return target_.Run(target_.Starter(), args, Environment());
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

    /// The invisible dialog runs for its 300 ms before anything is checked. Wine without a
    /// display cannot make it, and the Windows program goes on at once there.
    void ExpectTheDialogRan(const ProcessResult& result, const std::string& commandLine) const {
        if (!target_.IsWindows()) {
            EXPECT_GE(result.elapsed, 300ms) << commandLine;
        }
    }

    /// Only the Linux program's lock file outlives a run; a Windows mutex ends with its process.
    [[nodiscard]] bool LockFileExists() const {
        return std::filesystem::exists(runtimeDir_ / "__VG_STARTER__.lock");
    }

    const ProgramUnderTest& target_ = ProgramUnderTest::Get();
    TempDir runtimeDir_;
};

TEST_F(ProgramStartTest, WithoutAnArgumentEndsAtOnceAndTakesNoLock) {
    const ProcessResult result = Run({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(LockFileExists());
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
        ExpectTheDialogRan(result, commandLine);
        EXPECT_TRUE(target_.InstanceLockIsFree(runtimeDir_.Path())) << commandLine;
    }
}

TEST_F(ProgramStartTest, AcceptedUrlRunsTheGameStartAndReleasesTheLock) {
    const std::string url = "varnugamesstarter://game|live|Launcher.exe|token|m1|agent|channel";
    const ProcessResult result = Run({url});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    // Without a reachable CDN the configuration cannot be fetched: notice 19.
    EXPECT_EQ(result.err.rfind("Varnugames Starter: [오류번호:19] ", 0), 0u) << result.err;
    ExpectTheDialogRan(result, url);
    EXPECT_TRUE(target_.IsWindows() || LockFileExists());
    EXPECT_TRUE(target_.InstanceLockIsFree(runtimeDir_.Path()));
}

TEST_F(ProgramStartTest, SecondCopyEndsSilentlyAfterItsDialog) {
    const std::unique_ptr<HeldInstanceLock> running = target_.HoldInstanceLock(runtimeDir_.Path());
    const std::string url = "varnugamesstarter://game|live|Launcher.exe|token";
    const ProcessResult result = Run({url});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    ExpectTheDialogRan(result, url);
}

} // namespace
} // namespace vg::test
