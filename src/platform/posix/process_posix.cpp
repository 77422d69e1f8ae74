// Starting programs on Linux: Windows argument rules, PE images through Wine, and a detached
// child that inherits no descriptor of the starter.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/process.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/command_line_to_argv.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/native_path.h"
#include "platform/posix/path_search.h"
#include "platform/posix/pe_image.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/utf8_codec.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vg::platform {
namespace {

struct LaunchPlan {
    std::string executable;
    std::vector<std::string> arguments; // argv, the program name first
};

/// Works out what to execute, or the Windows error that refuses it.
std::uint32_t PlanLaunch(std::u16string_view commandLine, LaunchPlan& plan) {
    const std::vector<std::u16string> args = posix::CommandLineToArgv(commandLine);
    if (args.front().empty()) {
        return kErrorFileNotFound;
    }
    const std::string program = posix::NativePath(args.front());
    struct stat info {};
    if (::stat(program.c_str(), &info) != 0) {
        return posix::ErrorFromErrno(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return kErrorAccessDenied;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        plan.arguments.push_back(posix::Utf16ToUtf8(args[i]));
    }
    if (posix::IsPeImageFile(program)) {
        const char* wineVariable = std::getenv("WINE");
        const auto wine = posix::FindProgram(wineVariable && *wineVariable ? wineVariable : "wine");
        if (!wine) {
            return kErrorFileNotFound;
        }
        plan.executable = *wine;
        plan.arguments.insert(plan.arguments.begin(), {*wine, program});
        return kErrorSuccess;
    }
    plan.executable = program;
    plan.arguments.insert(plan.arguments.begin(), program);
    return kErrorSuccess;
}

/// A close-on-exec descriptor numbered 3 or higher, so that placing the child's standard
/// descriptors can never overwrite it.
posix::UniqueFd AboveStandardDescriptors(posix::UniqueFd fd) {
    if (!fd.IsValid() || fd.Get() > 2) {
        return fd;
    }
    return posix::UniqueFd(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 3));
}

void MarkAllDescriptorsCloseOnExec() {
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0) {
        return;
    }
    const long limit = ::sysconf(_SC_OPEN_MAX);
    for (int fd = 3; fd < (limit > 0 && limit < 65536 ? limit : 65536); ++fd) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
}

[[noreturn]] void ReportAndExit(int reportFd, int error) {
    [[maybe_unused]] const ssize_t written = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

/// In the grandchild: only async-signal-safe calls from here to execve.
[[noreturn]] void ExecuteInChild(const LaunchPlan& plan, char* const* argv, int nullFd,
                                 int reportFd) {
    for (int target = 0; target <= 2; ++target) {
        if (::dup2(nullFd, target) < 0) {
            ReportAndExit(reportFd, errno);
        }
    }
    MarkAllDescriptorsCloseOnExec();
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::execve(plan.executable.c_str(), argv, environ);
    ReportAndExit(reportFd, errno);
}

/// Starts the plan twice removed, in a session of its own, so that the program is nobody's
/// child to wait for and lives on after the starter; the pipe tells whether execve succeeded.
int SpawnDetached(const LaunchPlan& plan) {
    std::vector<char*> argv;
    for (const std::string& arg : plan.arguments) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    const posix::UniqueFd nullFd =
        AboveStandardDescriptors(posix::UniqueFd(::open("/dev/null", O_RDWR | O_CLOEXEC)));
    std::array<int, 2> pipeFds{};
    if (!nullFd.IsValid() || ::pipe2(pipeFds.data(), O_CLOEXEC) != 0) {
        return errno;
    }
    posix::UniqueFd reportRead = AboveStandardDescriptors(posix::UniqueFd(pipeFds[0]));
    posix::UniqueFd reportWrite = AboveStandardDescriptors(posix::UniqueFd(pipeFds[1]));
    if (!reportRead.IsValid() || !reportWrite.IsValid()) {
        return errno;
    }

    const pid_t middle = ::fork();
    if (middle < 0) {
        return errno;
    }
    if (middle == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ExecuteInChild(plan, argv.data(), nullFd.Get(), reportWrite.Get());
        }
        if (grandchild < 0) {
            ReportAndExit(reportWrite.Get(), errno);
        }
        ::_exit(0);
    }
    reportWrite.Reset();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int childError = 0;
    ssize_t got = 0;
    do {
        got = ::read(reportRead.Get(), &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof childError) ? childError : 0;
}

} // namespace

bool StartProcess(std::u16string_view commandLine) {
    LaunchPlan plan;
    if (const std::uint32_t refusal = PlanLaunch(commandLine, plan); refusal != kErrorSuccess) {
        SetLastError(refusal);
        return false;
    }
    if (const int error = SpawnDetached(plan); error != 0) {
        posix::SetLastErrorFromErrno(error);
        return false;
    }
    return true;
}

} // namespace vg::platform
