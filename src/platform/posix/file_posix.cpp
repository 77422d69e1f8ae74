// The open file on Linux: open(2), read(2), write(2), lseek(2) and fsync(2). POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/file.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/native_path.h"
#include "platform/posix/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace vg::platform {
namespace {

constexpr mode_t kNewFileMode = 0644;

/// The error CreateFileW gives: it tells a missing folder (3) from a missing file (2), and an
/// existing file refused by CREATE_NEW is 80, not 183.
void SetOpenError(int error, const std::string& nativePath, FileDisposition disposition) {
    if (error == EEXIST && disposition == FileDisposition::CreateNew) {
        SetLastError(kErrorFileExists);
    } else {
        posix::SetLastErrorForPath(error, nativePath);
    }
}

struct OpenOutcome {
    posix::UniqueFd fd;
    int error = 0;
    bool existed = false;
};

OpenOutcome OpenWithFlags(const std::string& nativePath, int flags, bool existed) {
    OpenOutcome outcome;
    outcome.fd.Reset(::open(nativePath.c_str(), flags | O_CLOEXEC, kNewFileMode));
    outcome.error = outcome.fd.IsValid() ? 0 : errno;
    outcome.existed = existed;
    return outcome;
}

/// Creating exclusively first is what tells whether the file was there before.
OpenOutcome OpenForDisposition(const std::string& nativePath, int accessFlags,
                               FileDisposition disposition) {
    switch (disposition) {
    case FileDisposition::OpenExisting:
        return OpenWithFlags(nativePath, accessFlags, true);
    case FileDisposition::CreateNew:
        return OpenWithFlags(nativePath, accessFlags | O_CREAT | O_EXCL, false);
    case FileDisposition::CreateAlways:
    case FileDisposition::OpenAlways:
        break;
    }
    OpenOutcome created = OpenWithFlags(nativePath, accessFlags | O_CREAT | O_EXCL, false);
    if (created.error != EEXIST) {
        return created;
    }
    // O_CREAT again, in case the file went in between: it was there when looked at.
    const int truncate = disposition == FileDisposition::CreateAlways ? O_TRUNC : 0;
    return OpenWithFlags(nativePath, accessFlags | O_CREAT | truncate, true);
}

/// A call on a closed file fails as one on an invalid handle does.
bool IsUsable(const File& file) {
    if (!file.IsOpen()) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    return true;
}

bool IsOpenDirectory(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::optional<File> File::Open(std::u16string_view path, FileAccess access,
                               FileDisposition disposition) {
    const std::string native = posix::NativePath(path);
    const int accessFlags = access == FileAccess::Read ? O_RDONLY : O_RDWR;
    OpenOutcome outcome = OpenForDisposition(native, accessFlags, disposition);
    if (!outcome.fd.IsValid()) {
        SetOpenError(outcome.error, native, disposition);
        return std::nullopt;
    }
    // open(2) lets a folder be opened for reading; CreateFileW does not.
    if (IsOpenDirectory(outcome.fd.Get())) {
        SetLastError(kErrorAccessDenied);
        return std::nullopt;
    }
    const bool reportExisting = outcome.existed && (disposition == FileDisposition::CreateAlways ||
                                                    disposition == FileDisposition::OpenAlways);
    SetLastError(reportExisting ? kErrorAlreadyExists : kErrorSuccess);
    return File(outcome.fd.Release());
}

std::optional<std::uint64_t> File::Size() const {
    if (!IsUsable(*this)) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(static_cast<int>(handle_), &info) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool File::SeekToEnd() {
    if (!IsUsable(*this)) {
        return false;
    }
    if (::lseek(static_cast<int>(handle_), 0, SEEK_END) < 0) {
        posix::SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

bool File::Seek(std::uint64_t offset) {
    if (!IsUsable(*this)) {
        return false;
    }
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0) {
        posix::SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

namespace {

/// Writes of a long file are handed to the disk while they go on, one 8 MiB window at a time,
/// so that the final Flush finds little left to do.
constexpr off_t kWriteBackWindow = 8 << 20;

void StartWriteBackOfFullWindows(int fd, off_t before, off_t after) {
    if (before < 0 || after < 0 || before / kWriteBackWindow == after / kWriteBackWindow) {
        return;
    }
    const off_t windowStart = (after / kWriteBackWindow - 1) * kWriteBackWindow;
    ::sync_file_range(fd, windowStart, kWriteBackWindow, SYNC_FILE_RANGE_WRITE);
}

} // namespace

bool File::Write(std::span<const std::uint8_t> bytes) {
    if (!IsUsable(*this)) {
        return false;
    }
    const int fd = static_cast<int>(handle_);
    const off_t before = ::lseek(fd, 0, SEEK_CUR);
    while (!bytes.empty()) {
        const ssize_t written = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            // The descriptor is open, so EBADF means it was not opened for writing.
            const int error = errno;
            SetLastError(error == EBADF ? kErrorAccessDenied : posix::ErrorFromErrno(error));
            return false;
        }
        if (written == 0) {
            SetLastError(kErrorDiskFull);
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    StartWriteBackOfFullWindows(fd, before, ::lseek(fd, 0, SEEK_CUR));
    return true;
}

std::optional<std::size_t> File::Read(std::span<std::uint8_t> buffer) {
    if (!IsUsable(*this)) {
        return std::nullopt;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got =
            ::read(static_cast<int>(handle_), buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            posix::SetLastErrorFromErrno(errno);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool File::Flush() {
    if (!IsUsable(*this)) {
        return false;
    }
    while (::fsync(static_cast<int>(handle_)) != 0) {
        if (errno != EINTR) {
            posix::SetLastErrorFromErrno(errno);
            return false;
        }
    }
    return true;
}

void File::Close() {
    if (IsOpen()) {
        ::close(static_cast<int>(std::exchange(handle_, kNoHandle)));
    }
}

} // namespace vg::platform
