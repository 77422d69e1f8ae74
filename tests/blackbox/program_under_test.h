// The build the black-box suite starts: the Linux program, or the Windows program under Wine.
// VG_TEST_TARGET chooses ("linux", the default, or "windows"); every difference between the two
// lies behind this class, so that the tests and their fixtures have one code path.
#pragma once

#include "blackbox/machine_facts.h"
#include "blackbox/registry_values.h"
#include "support/child_process.h"
#include "support/code_signing.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vg::test {

/// Keeps the program's single-instance mutex held while it lives.
class HeldInstanceLock {
public:
    virtual ~HeldInstanceLock() = default;
};

class ProgramUnderTest {
public:
    /// The target of this run, read once from the environment. The Windows target takes
    /// VG_WINDOWS_BUILD_DIR (the x86_64 Windows build), VG_WINE_PREFIX (a prefix made once per
    /// run) and VG_WINE_CA_DIR (the CAs that prefix trusts); it throws when one is missing.
    static const ProgramUnderTest& Get();

    [[nodiscard]] bool IsWindows() const { return windows_; }

    /// The built starter; its test copies that accept the test publisher's update packages, the
    /// second one a major version newer; the recorder that stands in for a started launcher or
    /// installer; and the application shell with recording stages.
    [[nodiscard]] std::filesystem::path Starter() const;
    [[nodiscard]] std::filesystem::path UpdateTestProgram() const;
    [[nodiscard]] std::filesystem::path NextUpdateTestProgram() const;
    [[nodiscard]] std::filesystem::path Recorder() const;
    [[nodiscard]] std::filesystem::path ShellProbe() const;
    /// What the file name of a copy of a program ends in: "" on Linux, ".exe" on Windows.
    [[nodiscard]] std::string ExecutableSuffix() const;

    /// The name this build's updates are published under on the CDN, before ".version".
    [[nodiscard]] std::string PublishedUpdateName() const;
    /// What the name of a package's detached signature adds to the package's name; empty when
    /// the package carries its signature inside (Authenticode).
    [[nodiscard]] std::string UpdateSignatureSuffix() const;

    /// The folder of the sandbox CA this target trusts across runs; none when each sandbox may
    /// make its own (the Linux program trusts what SSL_CERT_FILE names).
    [[nodiscard]] std::optional<std::filesystem::path> SandboxCaDir() const;
    /// The code-signing test root and its signers, with a root the target trusts.
    [[nodiscard]] TestPki& Pki() const;

    /// Runs a program of this target to its end. The environment changes apply to the program's
    /// own environment; on Windows it runs through wine64 in the shared prefix, without a
    /// display, and its notices are read from its debugger output. The result's `err` holds
    /// the notices as the Linux program writes them.
    ProcessResult Run(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const EnvironmentChanges& environment) const;
    /// Starts a program of this target; Finished turns what its Wait gave into Run's result.
    [[nodiscard]] std::unique_ptr<ChildProcess> Start(const std::filesystem::path& program,
                                                      const std::vector<std::string>& args,
                                                      const EnvironmentChanges& environment) const;
    [[nodiscard]] ProcessResult Finished(ProcessResult raw) const;

    /// A file of the test as the program opens it (for environment values): the path itself
    /// on Linux, "Z:\..." on Windows.
    [[nodiscard]] std::string ProgramPath(const std::filesystem::path& path) const;
    /// A path the program or its recorder reported, as a path of this machine.
    [[nodiscard]] std::filesystem::path HostPath(const std::string& programPath) const;
    /// A folder as a Windows path in the registry names it: on Linux through the drive letters
    /// of the test's own prefix at `linuxPrefix`, on Windows through Wine's drive Z.
    [[nodiscard]] std::string WindowsPath(const std::filesystem::path& folder,
                                          const std::filesystem::path& linuxPrefix) const;

    /// Gives the registry the program reads the values in `values`; a value without data is
    /// made absent. Linux: the registry files of the test's prefix at `linuxPrefix`, which then
    /// hold exactly the values with data; Windows: the shared prefix's registry.
    void WriteRegistry(const std::filesystem::path& linuxPrefix,
                       const std::vector<RegistryValue>& values) const;
    /// The machine as the program should see it. On Linux the drives are the test prefix's,
    /// given by letter and folder; on Windows they are the shared prefix's as Wine reports them.
    [[nodiscard]] MachineFacts
    Facts(const std::map<char, std::filesystem::path>& linuxDrives) const;

    /// Whether no process holds the single-instance mutex; on Linux its lock file is looked for
    /// in `runtimeDir` (the XDG_RUNTIME_DIR given to the program).
    [[nodiscard]] bool InstanceLockIsFree(const std::filesystem::path& runtimeDir) const;
    [[nodiscard]] std::unique_ptr<HeldInstanceLock>
    HoldInstanceLock(const std::filesystem::path& runtimeDir) const;
    /// Waits (at most 30 s) until no process holds the mutex, so that a run the program started
    /// by itself has ended.
    void WaitForInstanceLockToBeFree(const std::filesystem::path& runtimeDir) const;

private:
    ProgramUnderTest();

    struct Command {
        std::string program;
        std::vector<std::string> args;
        EnvironmentChanges environment;
    };
    [[nodiscard]] Command CommandFor(const std::filesystem::path& program,
                                     const std::vector<std::string>& args,
                                     const EnvironmentChanges& environment) const;
    [[nodiscard]] std::string WindowsBuildFile(const std::string& relative) const;
    /// Runs one of the Windows build's helper programs under Wine; its standard output.
    std::string RunWindowsHelper(const std::string& program,
                                 const std::vector<std::string>& args) const;

    bool windows_ = false;
    std::filesystem::path windowsBuildDir_;
    std::filesystem::path winePrefix_;
    std::filesystem::path wineCaDir_;
};

} // namespace vg::test
