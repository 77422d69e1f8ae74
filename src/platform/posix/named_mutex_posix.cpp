// The named mutex on Linux: flock on a lock file in the user's runtime directory.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/named_mutex.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/utf8_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace vg::platform {
namespace {

std::string LockFilePath(std::u16string_view name) {
    std::string fileName = posix::Utf16ToUtf8(name);
    std::replace(fileName.begin(), fileName.end(), '/', '_');
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir && *runtimeDir) {
        return std::string(runtimeDir) + "/" + fileName + ".lock";
    }
    // A shared temporary directory: the user id keeps one user's lock from blocking another's.
    const char* tmpDir = std::getenv("TMPDIR");
    const std::string dir = tmpDir && *tmpDir ? tmpDir : "/tmp";
    return dir + "/" + fileName + "-" + std::to_string(getuid()) + ".lock";
}

} // namespace

NamedMutex NamedMutex::Create(std::u16string_view name) {
    NamedMutex mutex;
    const std::string path = LockFilePath(name);
    posix::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.IsValid()) {
        posix::SetLastErrorFromErrno(errno);
        return mutex;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            mutex.alreadyExisted_ = true;
            SetLastError(kErrorAlreadyExists);
        } else {
            posix::SetLastErrorFromErrno(error);
        }
        return mutex;
    }
    mutex.handle_ = fd.Release();
    SetLastError(kErrorSuccess);
    return mutex;
}

void NamedMutex::Close() {
    if (handle_ != kNoHandle) {
        ::close(static_cast<int>(handle_));
        handle_ = kNoHandle;
    }
}

} // namespace vg::platform
