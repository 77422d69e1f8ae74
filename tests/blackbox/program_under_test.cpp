// The two targets of the black-box suite: how each starts a program, names files, keeps its
// registry, reports its notices and holds its single-instance mutex.
#include "blackbox/program_under_test.h"

#include "platform/named_mutex.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "support/wine_debug_output.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

constexpr char kWine64[] = "/usr/lib/wine/wine64";
constexpr char kInstanceMutexHelper[] = "tests/vg-instance-mutex.exe";
constexpr char16_t kInstanceMutexName[] = u"__VG_STARTER__";
// The notices are Korean: under Wine they reach the debugger output in the ANSI code page of the
// locale, and only a Korean one holds them.
constexpr char kWineLocale[] = "ko_KR.UTF-8";
constexpr char kWineCodePage[] = "CP949";

std::string RequiredVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        throw std::runtime_error(std::string("VG_TEST_TARGET=windows needs ") + name);
    }
    return value;
}

// The environment every program of the Windows target gets: the shared prefix, no display (no
// window can be made, so dialogs and message boxes return at once), no .NET or HTML engine to
// install, and Wine's own messages limited to the debug channels asked for. Wine finds its
// wineserver below TMPDIR: with a test's own TMPDIR it would start a second server on the same
// prefix, with a registry of its own. Without a display, the desktop process that Wine starts
// for a program's first window cannot run either, and now and then it waits 10 s for the RPC
// service first; it is left out.
EnvironmentChanges WineEnvironment(const fs::path& prefix, const char* debugChannels) {
    return {
        {"WINEPREFIX", prefix.string()},   {"TMPDIR", std::nullopt},
        {"WINEDEBUG", debugChannels},      {"WINEDLLOVERRIDES", "mscoree,mshtml=;explorer.exe=d"},
        {"LC_ALL", kWineLocale},           {"DISPLAY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
    };
}

void WriteRegistryFiles(const fs::path& prefix, const std::vector<RegistryValue>& values) {
    using Hive = RegistryValue::Hive;
    WriteFile(prefix / "user.reg", WineRegistryFileText(values, Hive::kCurrentUser));
    WriteFile(prefix / "system.reg", WineRegistryFileText(values, Hive::kLocalMachine));
}

class LinuxInstanceLock : public HeldInstanceLock {
public:
    explicit LinuxInstanceLock(const fs::path& runtimeDir) {
        const ScopedEnvironment runtime("XDG_RUNTIME_DIR", runtimeDir.c_str());
        mutex_ = platform::NamedMutex::Create(kInstanceMutexName);
        if (!mutex_.IsHeld()) {
            throw std::runtime_error("cannot hold the instance lock");
        }
    }

private:
    platform::NamedMutex mutex_;
};

// A Windows mutex lives in the wineserver: a helper program under Wine holds it until the
// release file appears.
class WindowsInstanceLock : public HeldInstanceLock {
public:
    WindowsInstanceLock(std::unique_ptr<ChildProcess> holder, fs::path release)
        : holder_(std::move(holder)), release_(std::move(release)) {}
    ~WindowsInstanceLock() override {
        WriteFile(release_, "");
        holder_->Wait();
    }

private:
    std::unique_ptr<ChildProcess> holder_;
    fs::path release_;
};

} // namespace

const ProgramUnderTest& ProgramUnderTest::Get() {
    static const ProgramUnderTest target;
    return target;
}

ProgramUnderTest::ProgramUnderTest() {
    const char* target = std::getenv("VG_TEST_TARGET");
    windows_ = target != nullptr && std::string(target) == "windows";
    if (windows_) {
        windowsBuildDir_ = RequiredVariable("VG_WINDOWS_BUILD_DIR");
        winePrefix_ = RequiredVariable("VG_WINE_PREFIX");
        wineCaDir_ = RequiredVariable("VG_WINE_CA_DIR");
    } else if (target != nullptr && *target != '\0' && std::string(target) != "linux") {
        throw std::runtime_error("VG_TEST_TARGET is \"linux\" or \"windows\"");
    }
}

std::string ProgramUnderTest::WindowsBuildFile(const std::string& relative) const {
    return (windowsBuildDir_ / relative).string();
}

fs::path ProgramUnderTest::Starter() const {
    return windows_ ? WindowsBuildFile("bin/VarnugamesStarter.exe") : VG_PROGRAM;
}

fs::path ProgramUnderTest::UpdateTestProgram() const {
    return windows_ ? WindowsBuildFile("tests/vg-update-test-program.exe") : VG_UPDATE_TEST_PROGRAM;
}

fs::path ProgramUnderTest::NextUpdateTestProgram() const {
    return windows_ ? WindowsBuildFile("tests/vg-update-test-program-next.exe")
                    : VG_UPDATE_TEST_PROGRAM_NEXT;
}

fs::path ProgramUnderTest::Recorder() const {
    return windows_ ? WindowsBuildFile("tests/vg-test-recorder.exe") : VG_TEST_RECORDER;
}

fs::path ProgramUnderTest::ShellProbe() const {
    return windows_ ? WindowsBuildFile("tests/vg-shell-probe.exe") : VG_SHELL_PROBE;
}

std::string ProgramUnderTest::ExecutableSuffix() const {
    return windows_ ? ".exe" : "";
}

std::string ProgramUnderTest::PublishedUpdateName() const {
    return windows_ ? "VarnugamesStarter_v2" : "VarnugamesStarter_v2.linux-x86_64";
}

std::string ProgramUnderTest::UpdateSignatureSuffix() const {
    return windows_ ? "" : ".p7s";
}

std::optional<fs::path> ProgramUnderTest::SandboxCaDir() const {
    if (!windows_) {
        return std::nullopt;
    }
    return wineCaDir_ / "sandbox";
}

TestPki& ProgramUnderTest::Pki() const {
    if (!windows_) {
        return SharedTestPki();
    }
    // The prefix trusts the root made in this folder when the prefix was made.
    static TestPki trustedByThePrefix(wineCaDir_ / "code-signing");
    return trustedByThePrefix;
}

ProgramUnderTest::Command
ProgramUnderTest::CommandFor(const fs::path& program, const std::vector<std::string>& args,
                             const EnvironmentChanges& environment) const {
    if (!windows_) {
        return {program.string(), args, environment};
    }
    Command command{kWine64, {program.string()}, environment};
    command.args.insert(command.args.end(), args.begin(), args.end());
    for (auto& [name, value] : WineEnvironment(winePrefix_, "fixme-all,warn+seh")) {
        command.environment[name] = value;
    }
    return command;
}

ProcessResult ProgramUnderTest::Run(const fs::path& program, const std::vector<std::string>& args,
                                    const EnvironmentChanges& environment) const {
    const Command command = CommandFor(program, args, environment);
    return Finished(RunProcess(command.program, command.args, command.environment));
}

std::unique_ptr<ChildProcess> ProgramUnderTest::Start(const fs::path& program,
                                                      const std::vector<std::string>& args,
                                                      const EnvironmentChanges& environment) const {
    const Command command = CommandFor(program, args, environment);
    return std::make_unique<ChildProcess>(command.program, command.args, command.environment);
}

ProcessResult ProgramUnderTest::Finished(ProcessResult raw) const {
    if (!windows_) {
        return raw;
    }
    raw.systemLog = std::move(raw.err);
    raw.err = NoticesFromDebugStrings(DebugStrings(raw.systemLog, kWineCodePage),
                                      ProgramStandardError(raw.systemLog));
    return raw;
}

std::string ProgramUnderTest::ProgramPath(const fs::path& path) const {
    if (!windows_) {
        return path.string();
    }
    std::string text = "Z:" + fs::absolute(path).lexically_normal().string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

fs::path ProgramUnderTest::HostPath(const std::string& programPath) const {
    if (!windows_ || programPath.size() < 2 || programPath[1] != ':') {
        return programPath;
    }
    std::string rest = programPath.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(programPath[0])));
    // Wine's drive Z is the root of this machine; the others are the prefix's.
    const fs::path drive =
        letter == 'z' ? fs::path() : winePrefix_ / "dosdevices" / (std::string(1, letter) + ":");
    return fs::path(drive.string() + rest).lexically_normal();
}

std::string ProgramUnderTest::WindowsPath(const fs::path& folder,
                                          const fs::path& linuxPrefix) const {
    if (windows_) {
        return ProgramPath(folder);
    }
    for (const fs::directory_entry& drive : fs::directory_iterator(linuxPrefix / "dosdevices")) {
        const std::string letter = drive.path().filename().string();
        std::error_code notALink;
        const fs::path relative =
            folder.lexically_relative(fs::read_symlink(drive.path(), notALink));
        if (letter.size() == 2 && !relative.empty() && *relative.begin() != "..") {
            std::string text = relative.string();
            std::replace(text.begin(), text.end(), '/', '\\');
            return std::string(1, static_cast<char>(std::toupper(letter[0]))) + ":\\" +
                   (text == "." ? "" : text);
        }
    }
    return folder.string();
}

void ProgramUnderTest::WriteRegistry(const fs::path& linuxPrefix,
                                     const std::vector<RegistryValue>& values) const {
    if (!windows_) {
        WriteRegistryFiles(linuxPrefix, values);
        return;
    }
    const TempDir scratch;
    WriteFile(scratch / "values.reg", RegImportFileBytes(values));
    const ProcessResult result =
        RunProcess(kWine64, {"reg", "import", ProgramPath(scratch / "values.reg")},
                   WineEnvironment(winePrefix_, "-all"));
    if (result.exitCode != 0) {
        throw std::runtime_error("reg import failed: " + result.err + result.out);
    }
}

MachineFacts ProgramUnderTest::Facts(const std::map<char, fs::path>& linuxDrives) const {
    if (!windows_) {
        return LinuxMachineFacts(linuxDrives);
    }
    return ParseWindowsMachineFacts(
        RunWindowsHelper(WindowsBuildFile("tests/vg-machine-facts.exe"), {}));
}

std::string ProgramUnderTest::RunWindowsHelper(const std::string& program,
                                               const std::vector<std::string>& args) const {
    std::vector<std::string> wineArgs = {program};
    wineArgs.insert(wineArgs.end(), args.begin(), args.end());
    const ProcessResult result =
        RunProcess(kWine64, wineArgs, WineEnvironment(winePrefix_, "-all"));
    if (result.exitCode != 0) {
        throw std::runtime_error(program + " failed (" + std::to_string(result.exitCode) +
                                 "): " + result.err);
    }
    return result.out;
}

bool ProgramUnderTest::InstanceLockIsFree(const fs::path& runtimeDir) const {
    if (windows_) {
        return RunProcess(kWine64, {WindowsBuildFile(kInstanceMutexHelper), "free"},
                          WineEnvironment(winePrefix_, "-all"))
                   .exitCode == 0;
    }
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", runtimeDir.c_str());
    return !platform::NamedMutex::Create(kInstanceMutexName).AlreadyExisted();
}

std::unique_ptr<HeldInstanceLock>
ProgramUnderTest::HoldInstanceLock(const fs::path& runtimeDir) const {
    if (!windows_) {
        return std::make_unique<LinuxInstanceLock>(runtimeDir);
    }
    const fs::path ready = runtimeDir / "mutex-held";
    const fs::path release = runtimeDir / "mutex-release";
    auto holder = std::make_unique<ChildProcess>(
        kWine64,
        std::vector<std::string>{WindowsBuildFile(kInstanceMutexHelper), "hold", ProgramPath(ready),
                                 ProgramPath(release)},
        WineEnvironment(winePrefix_, "-all"));
    if (!WaitForFile(ready.string())) {
        throw std::runtime_error("the instance mutex was not taken");
    }
    return std::make_unique<WindowsInstanceLock>(std::move(holder), release);
}

void ProgramUnderTest::WaitForInstanceLockToBeFree(const fs::path& runtimeDir) const {
    if (windows_) {
        RunWindowsHelper(WindowsBuildFile(kInstanceMutexHelper), {"wait", "30"});
        return;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(runtimeDir)) {
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        for (int i = 0; i < 300 && ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::close(fd);
    }
}

} // namespace vg::test
