// Running a program as a test's child process, with its output captured.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vg::test {

/// Changes to the test's own environment for the child: a value sets a variable, nullopt
/// removes it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

struct ProcessResult {
    /// The exit status, or 128 + the signal that ended it (Windows: the exit code as an int).
    int exitCode = -1;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
    /// What the system running the program wrote besides it (Wine's own standard error), for
    /// messages when a test fails; empty for a native program.
    std::string systemLog;
};

/// A child started in the background; Wait collects what it wrote and how it ended.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const EnvironmentChanges& environment = {});
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    ProcessResult Wait();

    /// The child's process id, for as long as it has not been waited for.
    [[nodiscard]] std::uint32_t Id() const;

private:
#ifdef _WIN32
    // The process and the read ends of its output pipes, as HANDLEs.
    void* process_ = nullptr;
    void* out_ = nullptr;
    void* err_ = nullptr;
#else
    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
#endif
    std::chrono::steady_clock::time_point started_;
};

/// Runs a program to its end.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const EnvironmentChanges& environment = {});

/// Waits until a file exists; false when it has not appeared within the limit.
bool WaitForFile(const std::string& path, std::chrono::seconds limit = std::chrono::seconds(30));

} // namespace vg::test
