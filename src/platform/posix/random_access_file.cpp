// The read-only file of the POSIX backend: open(2), fstat(2) and pread(2). POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/random_access_file.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/errno_mapping.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace vg::platform::posix {

std::optional<RandomAccessFile> RandomAccessFile::Open(const std::string& nativePath) {
    UniqueFd fd(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.IsValid()) {
        SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0) {
        SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        SetLastError(kErrorAccessDenied);
        return std::nullopt;
    }
    return RandomAccessFile(std::move(fd), static_cast<std::uint64_t>(status.st_size));
}

bool RandomAccessFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) const {
    if (!RangeFits(offset, length, size_) ||
        offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        SetLastError(kErrorHandleEof);
        return false;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd_.Get(), out + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            SetLastErrorFromErrno(errno);
            return false;
        }
        if (got == 0) {
            SetLastError(kErrorHandleEof);
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace vg::platform::posix
