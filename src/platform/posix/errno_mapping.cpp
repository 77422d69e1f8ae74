// errno to Windows error numbers, in one place for the whole POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/errno_mapping.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"

#include <cerrno>
#include <sys/stat.h>

namespace vg::platform::posix {

std::uint32_t ErrorFromErrno(int errnoValue) {
    switch (errnoValue) {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
    case ELOOP:
        return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return kErrorAccessDenied;
    case EBADF:
        return kErrorInvalidHandle;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EEXIST:
        return kErrorAlreadyExists;
    case ENOEXEC:
        return kErrorBadExeFormat;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case EBUSY:
        return kErrorBusy;
    case EINVAL:
        return kErrorInvalidParameter;
    case EILSEQ:
        return kErrorNoUnicodeTranslation;
    case ENOTSUP:
        return kErrorNotSupported;
    case EXDEV:
        return kErrorNotSameDevice;
    default:
        return kErrorInvalidParameter;
    }
}

void SetLastErrorFromErrno(int errnoValue) {
    SetLastError(ErrorFromErrno(errnoValue));
}

bool ParentIsDirectory(std::string nativePath) {
    while (nativePath.size() > 1 && nativePath.back() == '/') {
        nativePath.pop_back();
    }
    const std::size_t slash = nativePath.rfind('/');
    if (slash == std::string::npos) {
        return true;
    }
    const std::string parent = slash == 0 ? std::string("/") : nativePath.substr(0, slash);
    struct stat info {};
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void SetLastErrorForPath(int errnoValue, const std::string& nativePath) {
    if (errnoValue == ENOENT && !ParentIsDirectory(nativePath)) {
        SetLastError(kErrorPathNotFound);
        return;
    }
    SetLastErrorFromErrno(errnoValue);
}

} // namespace vg::platform::posix
