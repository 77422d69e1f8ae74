// Starting real programs: paths with blanks, parameters with quotes, Windows images through
// $WINE, refusals with their error numbers, and nothing of the starter inherited.
#include "app/execute_program.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/named_mutex.h"
#include "support/child_process.h"
#include "support/launch_record.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vg::app {
namespace {

namespace fs = std::filesystem;
using test::ReadLaunchRecord;
using test::WaitForFile;
using test::Wide;

class ExecuteProgramTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("VG_RECORD_FILE", recordFile_.c_str(), 1);
        ::unsetenv("VG_RECORD_HOLD");
    }
    void TearDown() override {
        ::unsetenv("VG_RECORD_FILE");
        ::unsetenv("VG_RECORD_HOLD");
        ::unsetenv("WINE");
        ::unsetenv("WINEPREFIX");
    }

    /// A copy of the recorder at a path relative to the scratch folder.
    fs::path InstallRecorder(const std::string& relativePath) {
        const fs::path target = dir_ / relativePath;
        fs::create_directories(target.parent_path());
        fs::copy_file(VG_TEST_RECORDER, target);
        return target;
    }

    test::LaunchRecord AwaitRecord() {
        EXPECT_TRUE(WaitForFile(recordFile_));
        return ReadLaunchRecord(recordFile_).value_or(test::LaunchRecord{});
    }

    test::TempDir dir_;
    std::string recordFile_ = (dir_ / "record.txt").string();
};

TEST_F(ExecuteProgramTest, PathWithBlanksAndQuotedParameters) {
    const fs::path program = InstallRecorder("my games/sub dir/Launcher");
    ASSERT_EQ(ExecuteProgram(Wide(program), u"-a \"x y\" -b \\\"q\\\" {KEY}"), 1);
    const test::LaunchRecord record = AwaitRecord();
    const std::vector<std::string> expected = {program.string(), "-a",   "x y", "-b",
                                               "\"q\"",          "{KEY}"};
    EXPECT_EQ(record.argv, expected);
    EXPECT_EQ(record.cwd, fs::current_path().string());
}

TEST_F(ExecuteProgramTest, EmptyParametersGiveTheProgramAlone) {
    const fs::path program = InstallRecorder("Launcher");
    ASSERT_EQ(ExecuteProgram(Wide(program), u""), 1);
    EXPECT_EQ(AwaitRecord().argv, std::vector<std::string>{program.string()});
}

TEST_F(ExecuteProgramTest, NothingOfTheStarterIsInherited) {
    const fs::path program = InstallRecorder("Launcher");
    ::setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    const platform::NamedMutex lock = platform::NamedMutex::Create(u"__VG_STARTER__");
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(lock.IsHeld());
    // Even a descriptor opened without close-on-exec by some library stays with the starter.
    const int inheritable = ::open((dir_ / "download.part").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(inheritable, 0);

    ASSERT_EQ(ExecuteProgram(Wide(program), u"x"), 1);
    const test::LaunchRecord record = AwaitRecord();
    ::close(inheritable);
    EXPECT_TRUE(record.otherDescriptors.empty())
        << record.otherDescriptors.size() << " descriptors, first "
        << (record.otherDescriptors.empty() ? "" : record.otherDescriptors.begin()->second);
    for (int fd = 0; fd <= 2; ++fd) {
        EXPECT_EQ(record.standardDescriptors.at(fd), "/dev/null") << "descriptor " << fd;
    }
}

TEST_F(ExecuteProgramTest, ReturnsWhileTheProgramRunsOn) {
    const fs::path program = InstallRecorder("Launcher");
    const std::string hold = (dir_ / "release").string();
    ::setenv("VG_RECORD_HOLD", hold.c_str(), 1);
    ASSERT_EQ(ExecuteProgram(Wide(program), u""), 1);
    // The program has started and now waits for the release file, which only appears after
    // ExecuteProgram has returned: the call did not wait for it.
    EXPECT_TRUE(WaitForFile(recordFile_));
    test::WriteFile(hold, "");
}

TEST_F(ExecuteProgramTest, WindowsImageStartsThroughWine) {
    const fs::path wine = InstallRecorder("bin/wine-stand-in");
    ::setenv("WINE", wine.c_str(), 1);
    ::setenv("WINEPREFIX", (dir_ / "prefix").c_str(), 1);
    fs::create_directories(dir_ / "prefix/dosdevices");
    fs::create_directories(dir_ / "drive_c/Games/My Game");
    fs::create_directory_symlink(dir_ / "drive_c", dir_ / "prefix/dosdevices/c:");
    test::WriteBinaryFile(dir_ / "drive_c/Games/My Game/Launcher.exe",
                          test::BuildPeImage({}).bytes);

    ASSERT_EQ(ExecuteProgram(u"C:\\Games\\My Game\\Launcher.exe", u"-mode \"live\""), 1);
    const std::vector<std::string> expected = {
        wine.string(), (dir_ / "prefix/dosdevices/c:/Games/My Game/Launcher.exe").string(), "-mode",
        "live"};
    EXPECT_EQ(AwaitRecord().argv, expected);
}

TEST_F(ExecuteProgramTest, RefusalsCarryTheWindowsErrorNumbers) {
    test::WriteFile(dir_ / "script.txt", "not a program\n");
    ::chmod((dir_ / "script.txt").c_str(), 0755);
    // Not a sound Windows image either: run as it is, the system refuses it as no program.
    test::WriteFile(dir_ / "broken.exe", std::string("MZ") + std::string(100, '\xff'));
    ::chmod((dir_ / "broken.exe").c_str(), 0755);
    test::WriteFile(dir_ / "data.bin", "data");
    ::chmod((dir_ / "data.bin").c_str(), 0644);
    test::WriteBinaryFile(dir_ / "pe.exe", test::BuildPeImage({}).bytes);
    const std::vector<std::pair<fs::path, std::uint32_t>> cases = {
        {dir_ / "missing", platform::kErrorFileNotFound},
        {dir_ / "no/such/dir/x", platform::kErrorFileNotFound},
        {dir_ / "script.txt", platform::kErrorBadExeFormat},
        {dir_ / "broken.exe", platform::kErrorBadExeFormat},
        {dir_ / "data.bin", platform::kErrorAccessDenied},
        {dir_.Path(), platform::kErrorAccessDenied},
    };
    for (const auto& [path, error] : cases) {
        platform::SetLastError(0);
        EXPECT_EQ(ExecuteProgram(Wide(path), u""), 0) << path;
        EXPECT_EQ(platform::GetLastError(), error) << path;
    }
    ::setenv("WINE", (dir_ / "no-wine").c_str(), 1);
    EXPECT_EQ(ExecuteProgram(Wide(dir_ / "pe.exe"), u""), 0);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
    EXPECT_FALSE(fs::exists(recordFile_));
}

} // namespace
} // namespace vg::app
