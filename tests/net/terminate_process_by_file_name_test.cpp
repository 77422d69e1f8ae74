// Ending the process of one program file among programs that share its name.
#include "net/terminate_process_by_file_name.h"

#include "support/child_process.h"
#include "support/platform_quirks.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vg::net {
namespace {

namespace fs = std::filesystem;

// How the parent sees the process that was ended: on Linux killed by SIGKILL (9); on Windows
// with the exit code 0xFFFFFFFF given to TerminateProcess.
constexpr int kEnded = test::kWindowsBuild ? -1 : 128 + 9;

std::string Utf8(const fs::path& path) {
    return util::ToUtf8(test::Wide(path));
}

class TerminateProcessByFileNameTest : public testing::Test {
protected:
    fs::path Install(const std::string& relativePath) {
        const fs::path target = dir_ / relativePath;
        fs::create_directories(target.parent_path());
        fs::copy_file(VG_TEST_RECORDER, target);
        return target;
    }

    /// Runs a program that waits until Release; returns once it is running.
    test::ChildProcess& Start(const fs::path& program) {
        const std::string record = Utf8(dir_ / ("record" + std::to_string(children_.size())));
        children_.push_back(std::make_unique<test::ChildProcess>(
            Utf8(program), std::vector<std::string>{},
            test::EnvironmentChanges{{"VG_RECORD_FILE", record}, {"VG_RECORD_HOLD", release_}}));
        EXPECT_TRUE(test::WaitForFile(record));
        return *children_.back();
    }

    void Release() { test::WriteFile(dir_ / "release", ""); }

    test::TempDir dir_;
    std::string release_ = Utf8(dir_ / "release");
    std::vector<std::unique_ptr<test::ChildProcess>> children_;
};

TEST_F(TerminateProcessByFileNameTest, EndsOnlyTheProcessOfThatFile) {
    const fs::path launcher = Install("game one/Launcher.exe");
    test::ChildProcess& target = Start(launcher);
    test::ChildProcess& sameName = Start(Install("game two/Launcher.exe"));

    TerminateProcessByFileName(test::Wide(launcher));
    Release();
    EXPECT_EQ(target.Wait().exitCode, kEnded);
    EXPECT_EQ(sameName.Wait().exitCode, 0);
}

TEST_F(TerminateProcessByFileNameTest, EndsOneProcessWhenSeveralRunTheFile) {
    const fs::path launcher = Install("Launcher.exe");
    test::ChildProcess& first = Start(launcher);
    test::ChildProcess& second = Start(launcher);

    TerminateProcessByFileName(test::Wide(launcher));
    Release();
    std::vector<int> exitCodes = {first.Wait().exitCode, second.Wait().exitCode};
    std::vector<int> expected = {0, kEnded};
    std::sort(exitCodes.begin(), exitCodes.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(exitCodes, expected);
}

} // namespace
} // namespace vg::net
