// Files and folders by path on Linux: unlink(2), rename(2), stat(2), mkdir(2). POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/file_system.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/native_path.h"
#include "platform/posix/utf8_codec.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vg::platform {
namespace {

bool IsDirectory(const std::string& nativePath) {
    struct stat info {};
    return ::stat(nativePath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool RemoveFile(std::u16string_view path) {
    const std::string native = posix::NativePath(path);
    if (::unlink(native.c_str()) != 0) {
        posix::SetLastErrorForPath(errno, native);
        return false;
    }
    return true;
}

bool MoveFileReplacing(std::u16string_view from, std::u16string_view to) {
    const std::string nativeFrom = posix::NativePath(from);
    const std::string nativeTo = posix::NativePath(to);
    if (::rename(nativeFrom.c_str(), nativeTo.c_str()) != 0) {
        const int error = errno;
        posix::SetLastErrorForPath(error,
                                   posix::ParentIsDirectory(nativeFrom) ? nativeTo : nativeFrom);
        return false;
    }
    return true;
}

bool FileExists(std::u16string_view path) {
    const std::string native = posix::NativePath(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) {
        posix::SetLastErrorForPath(errno, native);
        return false;
    }
    return true;
}

bool DirectoryExists(std::u16string_view path) {
    return IsDirectory(posix::NativePath(path));
}

bool MakeDirectory(std::u16string_view path) {
    const std::string native = posix::NativePath(path);
    if (::mkdir(native.c_str(), 0777) != 0) {
        const int error = errno;
        // mkdir reports a missing parent as ENOENT; the folder itself can only be "missing" so.
        if (error == ENOENT) {
            SetLastError(kErrorPathNotFound);
        } else {
            posix::SetLastErrorFromErrno(error);
        }
        return false;
    }
    return true;
}

std::u16string TemporaryDirectory() {
    const char* variable = std::getenv("TMPDIR");
    std::string directory = variable && *variable ? variable : "/tmp";
    if (directory.back() != '/') {
        directory += '/';
    }
    return posix::Utf8ToUtf16(directory);
}

bool ChangeCurrentDirectory(std::u16string_view path) {
    const std::string native = posix::NativePath(path);
    if (::chdir(native.c_str()) != 0) {
        posix::SetLastErrorForPath(errno, native);
        return false;
    }
    return true;
}

bool MarkExecutable(std::u16string_view path) {
    const std::string native = posix::NativePath(path);
    struct stat info {};
    if (::stat(native.c_str(), &info) != 0) {
        posix::SetLastErrorForPath(errno, native);
        return false;
    }
    const mode_t readBits = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    const mode_t mode = (info.st_mode & 07777) | (readBits >> 2);
    if (::chmod(native.c_str(), mode) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

} // namespace vg::platform
