// Processes by program file on Linux: /proc/<pid>/exe and /proc/<pid>/cmdline, and SIGKILL.
// POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/process_list.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/native_path.h"
#include "platform/posix/pe_image.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/utf8_codec.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace vg::platform {
namespace {

/// Longer first arguments are not program paths; reading stops there.
constexpr std::size_t kMaxArgumentLength = 64 * 1024;

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
}

/// The pid a /proc entry is named after; nothing for the entries that are not processes.
std::optional<std::uint32_t> ProcessIdFromName(std::string_view name) {
    if (name.empty() || name.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t pid = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        pid = pid * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (pid == 0 || pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(pid);
}

/// argv[0] of a process: where Wine shows the Windows program a process runs.
std::string FirstArgument(const std::string& processDir) {
    posix::UniqueFd fd(::open((processDir + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC));
    std::string argument;
    std::array<char, 4096> buffer{};
    while (fd.IsValid() && argument.size() < kMaxArgumentLength) {
        const ssize_t got = ::read(fd.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        const std::string_view chunk(buffer.data(), static_cast<std::size_t>(got));
        const std::size_t end = chunk.find('\0');
        argument.append(chunk.substr(0, end));
        if (end != std::string_view::npos) {
            break;
        }
    }
    return argument;
}

bool FirstArgumentNames(const std::string& processDir, const FileIdentity& target) {
    const std::string argument = FirstArgument(processDir);
    if (argument.empty() || argument.size() >= kMaxArgumentLength) {
        return false;
    }
    // A relative argument would be relative to the other process's folder and PATH: too loose
    // to end a process for.
    const std::string native = posix::NativePath(posix::Utf8ToUtf16(argument));
    return !native.empty() && native.front() == '/' && IdentityOf(native) == target;
}

/// Only Wine runs a Windows program, and its processes show the program in their first
/// argument; a native program is known by its image alone, whatever its argv[0] claims.
struct Target {
    FileIdentity identity;
    bool isWindowsProgram = false;
};

bool RunsFile(std::uint32_t pid, const Target& target) {
    const std::string processDir = "/proc/" + std::to_string(pid);
    // stat follows the kernel's link to the image itself, so an image deleted or replaced since
    // the start keeps its own inode and never matches the file now at the path.
    if (IdentityOf(processDir + "/exe") == target.identity) {
        return true;
    }
    return target.isWindowsProgram && FirstArgumentNames(processDir, target.identity);
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

std::vector<std::uint32_t> FindProcessesRunningFile(std::u16string_view path) {
    std::vector<std::uint32_t> pids;
    const std::string native = posix::NativePath(path);
    const std::optional<FileIdentity> identity = IdentityOf(native);
    if (!identity) {
        posix::SetLastErrorFromErrno(errno);
        return pids;
    }
    const Target target{*identity, posix::IsPeImageFile(native)};
    const std::unique_ptr<DIR, DirCloser> proc(::opendir("/proc"));
    if (!proc) {
        posix::SetLastErrorFromErrno(errno);
        return pids;
    }
    const auto self = static_cast<std::uint32_t>(::getpid());
    while (const dirent* entry = ::readdir(proc.get())) {
        const std::optional<std::uint32_t> pid = ProcessIdFromName(entry->d_name);
        if (pid && *pid != self && RunsFile(*pid, target)) {
            pids.push_back(*pid);
        }
    }
    std::sort(pids.begin(), pids.end());
    SetLastError(kErrorSuccess);
    return pids;
}

bool EndProcess(std::uint32_t pid, [[maybe_unused]] std::uint32_t exitCode) {
    // kill(2) reads 0 as the caller's process group and negative numbers as groups or everyone.
    if (pid == 0 || pid > static_cast<std::uint32_t>(std::numeric_limits<pid_t>::max())) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    if (::kill(static_cast<pid_t>(pid), SIGKILL) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

} // namespace vg::platform
