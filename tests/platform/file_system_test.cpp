// The file-system calls, the open file and the process list, against real files and processes.
#include "platform/error_codes.h"
#include "platform/file.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/process_list.h"
#include "platform/program_path.h"
#include "support/child_process.h"
#include "support/pe_writer.h"
#include "support/platform_quirks.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/win32/unique_handle.h"
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace vg::platform {
namespace {

namespace fs = std::filesystem;
using test::kWindowsBuild;
using test::ScopedEnvironment;
using test::Wide;

// ERROR_DIRECTORY: a file where a folder was wanted.
constexpr std::uint32_t kErrorDirectory = 267;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Utf8(const fs::path& path) {
    return util::ToUtf8(Wide(path));
}

std::string ReadRest(File& file) {
    std::string text;
    std::array<std::uint8_t, 4> chunk{}; // small, so that reads continue where the last ended
    while (const std::optional<std::size_t> got = file.Read(chunk)) {
        if (*got == 0) {
            break;
        }
        text.append(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(*got));
    }
    return text;
}

class FileSystemTest : public testing::Test {
protected:
    test::TempDir dir_;
};

TEST_F(FileSystemTest, RemoveFileDeletesAFileAndReportsWhyNot) {
    test::WriteFile(dir_ / "file", "x");
    ASSERT_TRUE(RemoveFile(Wide(dir_ / "file")));
    EXPECT_FALSE(fs::exists(dir_ / "file"));

    fs::create_directory(dir_ / "folder");
    // Linux refuses to delete a file of /proc even to root; Windows refuses a read-only file.
    const fs::path readOnly = dir_ / "read-only";
    test::WriteFile(readOnly, "x");
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const std::u16string refused = kWindowsBuild ? Wide(readOnly) : u"/proc/self/status";
    const std::vector<std::pair<std::u16string, std::uint32_t>> cases = {
        {Wide(dir_ / "file"), kErrorFileNotFound},
        {Wide(dir_ / "no" / "file"), kErrorPathNotFound},
        {Wide(dir_ / "folder"), kErrorAccessDenied},
        {refused, kErrorAccessDenied},
    };
    for (const auto& [path, error] : cases) {
        SetLastError(kErrorSuccess);
        EXPECT_FALSE(RemoveFile(path)) << util::ToUtf8(path);
        EXPECT_EQ(GetLastError(), error) << util::ToUtf8(path);
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(FileSystemTest, ExistenceOfFilesAndFolders) {
    test::WriteFile(dir_ / "file", "x");
    fs::create_directories(dir_ / "folder" / "sub");
    struct Case {
        std::u16string path;
        bool exists;
        bool isDirectory;
    };
    std::vector<Case> cases = {
        {Wide(dir_ / "file"), true, false},
        {Wide(dir_ / "folder"), true, true},
        {Wide(dir_.Path()) + u"\\folder\\sub", true, true},
        {Wide(dir_ / "missing"), false, false},
        {Wide(dir_ / "file" / "below"), false, false},
    };
    // Windows lets only some users make symbolic links.
    std::error_code noLink;
    fs::create_directory_symlink(dir_ / "folder", dir_ / "link", noLink);
    if (!noLink || !kWindowsBuild) {
        EXPECT_FALSE(noLink) << noLink.message();
        cases.push_back({Wide(dir_ / "link"), true, true});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.exists) << util::ToUtf8(c.path);
        EXPECT_EQ(DirectoryExists(c.path), c.isDirectory) << util::ToUtf8(c.path);
    }
}

TEST_F(FileSystemTest, MakeDirectoryCreatesOneFolder) {
    ASSERT_TRUE(MakeDirectory(Wide(dir_ / "new")));
    EXPECT_TRUE(fs::is_directory(dir_ / "new"));
    EXPECT_TRUE(MakeDirectory(Wide(dir_.Path()) + u"\\new\\with separator\\"));
    EXPECT_TRUE(fs::is_directory(dir_ / "new" / "with separator"));

    test::WriteFile(dir_ / "file", "x");
    const std::vector<std::pair<std::u16string, std::uint32_t>> cases = {
        {Wide(dir_ / "new"), kErrorAlreadyExists},
        {Wide(dir_ / "file"), kErrorAlreadyExists},
        {Wide(dir_ / "missing" / "new"), kErrorPathNotFound},
    };
    for (const auto& [path, error] : cases) {
        EXPECT_FALSE(MakeDirectory(path)) << util::ToUtf8(path);
        EXPECT_EQ(GetLastError(), error) << util::ToUtf8(path);
    }
}

TEST_F(FileSystemTest, TemporaryDirectoryHonoursItsVariableAndEndsWithASeparator) {
    // Linux reads $TMPDIR; Windows reads TMP, then TEMP.
    const char* const variable = kWindowsBuild ? "TMP" : "TMPDIR";
    std::optional<ScopedEnvironment> fallback;
    if (kWindowsBuild) {
        fallback.emplace("TEMP", "C:\\fallback");
    }
    const std::vector<std::pair<const char*, std::u16string>> linuxCases = {
        {"/var/scratch", u"/var/scratch/"},
        {"/var/scratch/", u"/var/scratch/"},
        {"", u"/tmp/"},
        {nullptr, u"/tmp/"},
    };
    const std::vector<std::pair<const char*, std::u16string>> windowsCases = {
        {"C:\\scratch", u"C:\\scratch\\"},
        {"C:\\scratch\\", u"C:\\scratch\\"},
        {nullptr, u"C:\\fallback\\"},
    };
    for (const auto& [value, expected] : kWindowsBuild ? windowsCases : linuxCases) {
        const ScopedEnvironment scoped(variable, value);
        EXPECT_EQ(TemporaryDirectory(), expected) << (value ? value : "(unset)");
    }
}

TEST_F(FileSystemTest, ChangeCurrentDirectory) {
    const fs::path before = fs::current_path();
    fs::create_directory(dir_ / "here");
    test::WriteFile(dir_ / "file", "x");
    EXPECT_TRUE(ChangeCurrentDirectory(Wide(dir_.Path()) + u"\\here"));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), dir_ / "here"));
    const std::vector<std::pair<fs::path, std::uint32_t>> cases = {
        {dir_ / "missing", kErrorFileNotFound},
        {dir_ / "file", kWindowsBuild ? kErrorDirectory : kErrorPathNotFound},
    };
    for (const auto& [path, error] : cases) {
        EXPECT_FALSE(ChangeCurrentDirectory(Wide(path))) << path;
        EXPECT_EQ(GetLastError(), error) << path;
    }
    EXPECT_TRUE(fs::equivalent(fs::current_path(), dir_ / "here"));
    fs::current_path(before);
}

TEST_F(FileSystemTest, ReplaceFileSwapsInTheNewFileWhole) {
    test::WriteFile(dir_ / "game.exe", "old");
    test::WriteFile(dir_ / "game.exe.part", "new");
    std::optional<File> reader =
        File::Open(Wide(dir_ / "game.exe"), FileAccess::Read, FileDisposition::OpenExisting);
    ASSERT_TRUE(reader);
    if (kWindowsBuild) {
        // Windows keeps a file that is open from being replaced, and changes neither file.
        EXPECT_FALSE(MoveFileReplacing(Wide(dir_ / "game.exe.part"), Wide(dir_ / "game.exe")));
        EXPECT_EQ(GetLastError(), kErrorAccessDenied);
        EXPECT_EQ(test::ReadFile(dir_ / "game.exe.part"), "new");
        EXPECT_EQ(ReadRest(*reader), "old");
        reader.reset();
    }

    ASSERT_TRUE(MoveFileReplacing(Wide(dir_ / "game.exe.part"), Wide(dir_.Path()) + u"\\game.exe"));
    EXPECT_EQ(test::ReadFile(dir_ / "game.exe"), "new");
    EXPECT_FALSE(fs::exists(dir_ / "game.exe.part"));
    if (reader) {
        // A reader of the old file keeps reading the old file: it was replaced, not written over.
        EXPECT_EQ(ReadRest(*reader), "old");
    }

    const std::vector<std::pair<std::pair<fs::path, fs::path>, std::uint32_t>> cases = {
        {{dir_ / "missing", dir_ / "game.exe"}, kErrorFileNotFound},
        {{dir_ / "no" / "part", dir_ / "game.exe"}, kErrorPathNotFound},
        {{dir_ / "game.exe", dir_ / "no" / "game.exe"}, kErrorPathNotFound},
    };
    for (const auto& [paths, error] : cases) {
        EXPECT_FALSE(MoveFileReplacing(Wide(paths.first), Wide(paths.second))) << paths.first;
        EXPECT_EQ(GetLastError(), error) << paths.first << " to " << paths.second;
    }
    EXPECT_EQ(test::ReadFile(dir_ / "game.exe"), "new");
}

// A writable folder on another file system than `here`, where there is one: /dev/shm on
// Linux, and under Wine the same folder through the drive Z:, which Wine gives a volume of its
// own when it is a file system of its own.
std::optional<fs::path> FolderOnAnotherFileSystem(const fs::path& here) {
#ifdef _WIN32
    const auto volumeOf = [](const fs::path& folder) -> std::optional<DWORD> {
        const platform::win32::UniqueHandle handle(
            ::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION information{};
        if (!handle || !::GetFileInformationByHandle(handle.Get(), &information)) {
            return std::nullopt;
        }
        return information.dwVolumeSerialNumber;
    };
    const fs::path shm = "Z:\\dev\\shm";
    const std::optional<DWORD> there = volumeOf(shm);
    if (!test::RunningUnderWine() || !there || there == volumeOf(here)) {
        return std::nullopt;
    }
    return shm;
#else
    struct stat shm {};
    struct stat info {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(here.c_str(), &info) != 0 ||
        shm.st_dev == info.st_dev || ::access("/dev/shm", W_OK) != 0) {
        return std::nullopt;
    }
    return "/dev/shm";
#endif
}

TEST_F(FileSystemTest, ReplaceFileDoesNotCopyBetweenFileSystems) {
    const std::optional<fs::path> otherFileSystem = FolderOnAnotherFileSystem(dir_.Path());
    if (!otherFileSystem) {
        GTEST_SKIP() << "no second writable file system (/dev/shm, or Z:\\dev\\shm under Wine)";
    }
    const fs::path elsewhere = *otherFileSystem / ("vg-replace-" + dir_.Path().filename().string());
    test::WriteFile(elsewhere, "new");
    test::WriteFile(dir_ / "target", "old");
    EXPECT_FALSE(MoveFileReplacing(Wide(elsewhere), Wide(dir_ / "target")));
    EXPECT_EQ(GetLastError(), kErrorNotSameDevice);
    EXPECT_EQ(test::ReadFile(elsewhere), "new");
    EXPECT_EQ(test::ReadFile(dir_ / "target"), "old");
    fs::remove(elsewhere);
}

TEST_F(FileSystemTest, OpenFollowsTheDisposition) {
    struct Case {
        FileDisposition disposition;
        bool existsBefore;
        bool opens;
        std::uint32_t lastError;
        std::optional<std::string> contentAfter; // nothing: no file
    };
    const std::vector<Case> cases = {
        {FileDisposition::CreateNew, false, true, kErrorSuccess, ""},
        {FileDisposition::CreateNew, true, false, kErrorFileExists, "old"},
        {FileDisposition::CreateAlways, false, true, kErrorSuccess, ""},
        {FileDisposition::CreateAlways, true, true, kErrorAlreadyExists, ""},
        {FileDisposition::OpenExisting, false, false, kErrorFileNotFound, std::nullopt},
        {FileDisposition::OpenExisting, true, true, kErrorSuccess, "old"},
        {FileDisposition::OpenAlways, false, true, kErrorSuccess, ""},
        {FileDisposition::OpenAlways, true, true, kErrorAlreadyExists, "old"},
    };
    int number = 0;
    for (const Case& c : cases) {
        const fs::path path = dir_ / ("file" + std::to_string(++number));
        if (c.existsBefore) {
            test::WriteFile(path, "old");
        }
        SetLastError(kErrorInvalidData);
        std::optional<File> file = File::Open(Wide(path), FileAccess::ReadWrite, c.disposition);
        EXPECT_EQ(file.has_value(), c.opens) << "case " << number;
        EXPECT_EQ(GetLastError(), c.lastError) << "case " << number;
        file.reset();
        EXPECT_EQ(fs::exists(path), c.contentAfter.has_value()) << "case " << number;
        if (c.contentAfter) {
            EXPECT_EQ(test::ReadFile(path), *c.contentAfter) << "case " << number;
        }
    }
}

TEST_F(FileSystemTest, OpenRefusesFoldersAndMissingFolders) {
    fs::create_directory(dir_ / "folder");
    struct Case {
        fs::path path;
        FileAccess access;
        FileDisposition disposition;
        std::uint32_t error;
    };
    const std::vector<Case> cases = {
        {dir_ / "folder", FileAccess::Read, FileDisposition::OpenExisting, kErrorAccessDenied},
        {dir_ / "folder", FileAccess::ReadWrite, FileDisposition::OpenAlways, kErrorAccessDenied},
        {dir_ / "no" / "file", FileAccess::Read, FileDisposition::OpenExisting, kErrorPathNotFound},
        {dir_ / "no" / "file", FileAccess::ReadWrite, FileDisposition::CreateAlways,
         kErrorPathNotFound},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(File::Open(Wide(c.path), c.access, c.disposition)) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST_F(FileSystemTest, OnlyWindowsKeepsOthersFromAnOpenFile) {
    const std::u16string path = Wide(dir_ / "data");
    for (const FileAccess held : {FileAccess::Read, FileAccess::ReadWrite}) {
        test::WriteFile(dir_ / "data", "abc");
        std::optional<File> holder = File::Open(path, held, FileDisposition::OpenExisting);
        ASSERT_TRUE(holder);
        for (const FileAccess other : {FileAccess::Read, FileAccess::ReadWrite}) {
            // Windows: a File shares reading only, so a second one opens when neither writes.
            const bool opens =
                !kWindowsBuild || (held == FileAccess::Read && other == FileAccess::Read);
            SetLastError(kErrorSuccess);
            std::optional<File> second = File::Open(path, other, FileDisposition::OpenExisting);
            EXPECT_EQ(second.has_value(), opens);
            if (second) {
                EXPECT_EQ(ReadRest(*second), "abc");
            } else {
                EXPECT_EQ(GetLastError(), kErrorSharingViolation);
            }
        }
        SetLastError(kErrorSuccess);
        EXPECT_EQ(RemoveFile(path), !kWindowsBuild);
        EXPECT_EQ(GetLastError(), kWindowsBuild ? kErrorSharingViolation : kErrorSuccess);
        holder.reset();
        std::error_code ignored;
        fs::remove(dir_ / "data", ignored);
    }
}

TEST_F(FileSystemTest, WriteSeekAndReadBack) {
    std::optional<File> opened =
        File::Open(Wide(dir_ / "data"), FileAccess::ReadWrite, FileDisposition::CreateNew);
    ASSERT_TRUE(opened);
    File file = std::move(*opened);
    EXPECT_FALSE(opened->IsOpen());
    ASSERT_TRUE(file.Write(Bytes("hello world")));
    EXPECT_EQ(file.Size(), std::optional<std::uint64_t>(11));
    EXPECT_EQ(ReadRest(file), "");

    ASSERT_TRUE(file.Seek(6));
    EXPECT_EQ(ReadRest(file), "world");
    ASSERT_TRUE(file.Seek(0));
    std::array<std::uint8_t, 5> head{};
    EXPECT_EQ(file.Read(head), std::optional<std::size_t>(5));
    EXPECT_EQ(std::string(head.begin(), head.end()), "hello");

    // Appending after a seek elsewhere; a seek past the end leaves a gap of zero bytes.
    ASSERT_TRUE(file.SeekToEnd());
    ASSERT_TRUE(file.Write(Bytes("!")));
    ASSERT_TRUE(file.Seek(14));
    ASSERT_TRUE(file.Write(Bytes("?")));
    EXPECT_TRUE(file.Flush());
    file.Close();
    EXPECT_EQ(test::ReadFile(dir_ / "data"), std::string("hello world!\0\0?", 15));

    EXPECT_FALSE(file.Write(Bytes("x")));
    EXPECT_EQ(GetLastError(), kErrorInvalidHandle);
    EXPECT_FALSE(file.Size());
}

TEST_F(FileSystemTest, WriteToAFileOpenedForReadingIsRefused) {
    test::WriteFile(dir_ / "data", "abc");
    std::optional<File> readOnly =
        File::Open(Wide(dir_ / "data"), FileAccess::Read, FileDisposition::OpenExisting);
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly->Write(Bytes("x")));
    EXPECT_EQ(GetLastError(), kErrorAccessDenied);
    EXPECT_EQ(ReadRest(*readOnly), "abc");
}

TEST_F(FileSystemTest, WriteToAFullDiskFails) {
    // /dev/full reports every write as a full disk; Wine reaches it through the drive Z:.
    if (kWindowsBuild && !test::RunningUnderWine()) {
        GTEST_SKIP() << "Windows has no device that is always full";
    }
    std::optional<File> full = File::Open(kWindowsBuild ? u"Z:\\dev\\full" : u"/dev/full",
                                          FileAccess::ReadWrite, FileDisposition::OpenExisting);
    ASSERT_TRUE(full);
    EXPECT_FALSE(full->Write(Bytes("data")));
    EXPECT_EQ(GetLastError(), kErrorDiskFull);
}

TEST_F(FileSystemTest, OpenFileIsNotHeldByAProgramStartedMeanwhile) {
    std::optional<File> file =
        File::Open(Wide(dir_ / "data"), FileAccess::ReadWrite, FileDisposition::CreateNew);
    ASSERT_TRUE(file);
    const std::string record = Utf8(dir_ / "record");
    test::ChildProcess child(
        VG_TEST_RECORDER, {},
        {{"VG_RECORD_FILE", record}, {"VG_RECORD_HOLD", Utf8(dir_ / "release")}});
    ASSERT_TRUE(test::WaitForFile(record));
    file->Close();
    // Had the program been given the file, Windows would keep it from being deleted.
    EXPECT_TRUE(RemoveFile(Wide(dir_ / "data")));
    test::WriteFile(dir_ / "release", "");
    EXPECT_EQ(child.Wait().exitCode, 0);
}

// A copy of the test recorder that waits until it is ended. Linux starts it with a chosen
// first argument; Windows names a process's image whatever its command line says.
class HeldProgram {
public:
    HeldProgram(const fs::path& program, const std::string& argv0, const fs::path& recordFile);
    HeldProgram(const HeldProgram&) = delete;
    HeldProgram& operator=(const HeldProgram&) = delete;
    ~HeldProgram();

    [[nodiscard]] std::uint32_t Pid() const;

    // Its exit code once it has ended, or 128 + the signal that ended it.
    int WaitForEnd();

private:
#ifdef _WIN32
    std::unique_ptr<test::ChildProcess> child_;
    std::uint32_t pid_ = 0;
#else
    pid_t pid_ = -1;
#endif
};

#ifdef _WIN32
HeldProgram::HeldProgram(const fs::path& program, const std::string& /*argv0*/,
                         const fs::path& recordFile)
    : child_(std::make_unique<test::ChildProcess>(
          Utf8(program), std::vector<std::string>{},
          test::EnvironmentChanges{{"VG_RECORD_FILE", Utf8(recordFile)},
                                   {"VG_RECORD_HOLD", Utf8(recordFile) + ".never"}})),
      pid_(child_->Id()) {
    if (!test::WaitForFile(recordFile.string())) {
        throw std::runtime_error(program.string() + " did not start");
    }
}

HeldProgram::~HeldProgram() = default;

std::uint32_t HeldProgram::Pid() const {
    return pid_;
}

int HeldProgram::WaitForEnd() {
    return child_->Wait().exitCode;
}
#else
HeldProgram::HeldProgram(const fs::path& program, const std::string& argv0,
                         const fs::path& recordFile) {
    ::setenv("VG_RECORD_FILE", recordFile.c_str(), 1);
    ::setenv("VG_RECORD_HOLD", (recordFile.string() + ".never").c_str(), 1);
    std::string firstArgument = argv0;
    std::array<char*, 2> argv{firstArgument.data(), nullptr};
    const int rc = ::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ);
    ::unsetenv("VG_RECORD_FILE");
    ::unsetenv("VG_RECORD_HOLD");
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + program.string());
    }
    if (!test::WaitForFile(recordFile.string())) {
        ::kill(pid_, SIGKILL);
        WaitForEnd();
        throw std::runtime_error(program.string() + " did not start");
    }
}

HeldProgram::~HeldProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        WaitForEnd();
    }
}

std::uint32_t HeldProgram::Pid() const {
    return static_cast<std::uint32_t>(pid_);
}

int HeldProgram::WaitForEnd() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}
#endif

std::uint32_t OwnProcessId() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<std::uint32_t>(::getpid());
#endif
}

class ProcessListTest : public testing::Test {
protected:
    fs::path Install(const std::string& relativePath) {
        const fs::path target = dir_ / relativePath;
        fs::create_directories(target.parent_path());
        fs::copy_file(VG_TEST_RECORDER, target);
        return target;
    }

    fs::path NextRecordFile() { return dir_ / ("record" + std::to_string(++records_)); }

    static std::vector<std::uint32_t> Sorted(std::vector<std::uint32_t> pids) {
        std::sort(pids.begin(), pids.end());
        return pids;
    }

    test::TempDir dir_;
    int records_ = 0;
};

TEST_F(ProcessListTest, FindsTheProcessesOfThatVeryFileOnly) {
    const fs::path launcher = Install("game one/Launcher.exe");
    const fs::path sameName = Install("game two/Launcher.exe");
    fs::create_hard_link(launcher, dir_ / "hard link to Launcher.exe");
    const HeldProgram first(launcher, launcher.string(), NextRecordFile());
    const HeldProgram second(launcher, "Launcher.exe", NextRecordFile());
    const HeldProgram other(sameName, sameName.string(), NextRecordFile());

    const std::vector<std::uint32_t> both = Sorted({first.Pid(), second.Pid()});
    EXPECT_EQ(FindProcessesRunningFile(Wide(launcher)), both);
    EXPECT_EQ(FindProcessesRunningFile(Wide(dir_.Path()) + u"\\game one\\Launcher.exe"), both);
    EXPECT_EQ(FindProcessesRunningFile(Wide(dir_ / "hard link to Launcher.exe")), both);
    EXPECT_EQ(FindProcessesRunningFile(Wide(sameName)), std::vector<std::uint32_t>{other.Pid()});
}

TEST_F(ProcessListTest, AReplacedImageIsNoLongerTheFileAtItsPath) {
    if (kWindowsBuild) {
        GTEST_SKIP() << "Windows cannot replace a running image, and knows a process by the path "
                        "it started from";
    }
    const fs::path launcher = Install("Launcher.exe");
    fs::create_hard_link(launcher, dir_ / "hard link to Launcher.exe");
    const HeldProgram running(launcher, launcher.string(), NextRecordFile());
    // An update replaced the file: the process runs the old image, not the file now there,
    // though it still names that path in its argv[0].
    fs::copy_file(VG_TEST_RECORDER, dir_ / "Launcher.exe.new");
    fs::rename(dir_ / "Launcher.exe.new", launcher);
    EXPECT_TRUE(FindProcessesRunningFile(Wide(launcher)).empty());
    // The old image is still a file under its other name, and still that very file.
    EXPECT_EQ(FindProcessesRunningFile(Wide(dir_ / "hard link to Launcher.exe")),
              std::vector<std::uint32_t>{running.Pid()});
}

TEST_F(ProcessListTest, NeverListsTheCallerAndNothingForAMissingFile) {
    const std::vector<std::uint32_t> pids = FindProcessesRunningFile(GetProgramPath());
    EXPECT_EQ(std::count(pids.begin(), pids.end(), OwnProcessId()), 0);
    EXPECT_TRUE(FindProcessesRunningFile(Wide(dir_ / "missing.exe")).empty());
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST_F(ProcessListTest, EndProcessKillsAtOnce) {
    const fs::path launcher = Install("Launcher.exe");
    HeldProgram running(launcher, launcher.string(), NextRecordFile());
    ASSERT_TRUE(EndProcess(running.Pid(), 77));
    // POSIX cannot give another process an exit code; SIGKILL (9) ends it.
    EXPECT_EQ(running.WaitForEnd(), kWindowsBuild ? 77 : 128 + 9);

    // No process can have this number: above the kernel's limit on Linux, and not a multiple of
    // four past any that Windows hands out.
    std::uint32_t noProcess = 0xFFFFFFF0;
    if (!kWindowsBuild) {
        std::ifstream("/proc/sys/kernel/pid_max") >> noProcess;
        ASSERT_GT(noProcess, 0U);
        ++noProcess;
    }
    EXPECT_FALSE(EndProcess(noProcess, 1));
    EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
}

#ifndef _WIN32
// Linux only: the permission bits, the descriptors and Wine's processes of the Linux build.

unsigned PermissionBits(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777U;
}

TEST_F(FileSystemTest, MarkExecutableAddsTheExecuteBitsTheReadBitsAllow) {
    const std::vector<std::pair<unsigned, unsigned>> cases = {
        {0644, 0755}, {0600, 0700}, {0640, 0750}, {0604, 0705}, {0755, 0755}, {0200, 0200},
    };
    for (const auto& [before, after] : cases) {
        const fs::path program = dir_ / "program";
        test::WriteFile(program, "#!/bin/sh\n");
        ASSERT_EQ(::chmod(program.c_str(), before), 0);
        EXPECT_TRUE(MarkExecutable(Wide(program)));
        EXPECT_EQ(PermissionBits(program), after) << std::oct << before;
        fs::remove(program);
    }
    EXPECT_FALSE(MarkExecutable(Wide(dir_ / "missing")));
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

/// Whether some descriptor of this process is open on the path, and all such are close-on-exec.
std::optional<bool> OpenDescriptorsAreCloseOnExec(const fs::path& path) {
    std::optional<bool> closeOnExec;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) != path) {
            continue;
        }
        const int flags = ::fcntl(std::stoi(entry.path().filename().string()), F_GETFD);
        closeOnExec = closeOnExec.value_or(true) && flags >= 0 && (flags & FD_CLOEXEC) != 0;
    }
    return closeOnExec;
}

TEST_F(FileSystemTest, NewFileIsUserWritableAndNeverInherited) {
    const mode_t oldMask = ::umask(022);
    std::optional<File> file =
        File::Open(Wide(dir_ / "new"), FileAccess::ReadWrite, FileDisposition::CreateNew);
    ::umask(oldMask);
    ASSERT_TRUE(file);
    EXPECT_EQ(PermissionBits(dir_ / "new"), 0644U);
    EXPECT_EQ(OpenDescriptorsAreCloseOnExec(dir_ / "new"), std::optional<bool>(true));
    file->Close();
    EXPECT_EQ(OpenDescriptorsAreCloseOnExec(dir_ / "new"), std::nullopt);
}

TEST_F(ProcessListTest, WineProgramIsFoundByThePathInItsFirstArgument) {
    const ScopedEnvironment prefix("WINEPREFIX", (dir_ / "prefix").c_str());
    fs::create_directories(dir_ / "prefix" / "dosdevices");
    fs::create_directories(dir_ / "drive_c");
    fs::create_directory_symlink(dir_ / "drive_c", dir_ / "prefix" / "dosdevices" / "c:");
    const fs::path launcher = dir_ / "drive_c/games/x/Launcher.exe";
    const fs::path otherGame = dir_ / "drive_c/games/y/Launcher.exe";
    for (const fs::path& windowsProgram : {launcher, otherGame}) {
        fs::create_directories(windowsProgram.parent_path());
        test::WriteBinaryFile(windowsProgram, test::BuildPeImage({}).bytes);
    }
    // The image of a Wine process is Wine's loader, never the Windows program.
    const fs::path loader = Install("wine/wine64-preloader");
    const HeldProgram windowsForm(loader, "C:\\games\\x\\Launcher.exe", NextRecordFile());
    const HeldProgram nativeForm(loader, launcher.string(), NextRecordFile());

    const std::vector<std::uint32_t> both = Sorted({windowsForm.Pid(), nativeForm.Pid()});
    EXPECT_EQ(FindProcessesRunningFile(u"C:\\games\\x\\Launcher.exe"), both);
    EXPECT_EQ(FindProcessesRunningFile(Wide(launcher)), both);
    EXPECT_TRUE(FindProcessesRunningFile(Wide(otherGame)).empty());
}
#endif

} // namespace
} // namespace vg::platform
