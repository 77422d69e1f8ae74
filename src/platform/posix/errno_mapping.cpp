// errno to Windows error numbers, in one place for the whole POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/errno_mapping.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"

#include <cerrno>

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
    default:
        return kErrorInvalidParameter;
    }
}

void SetLastErrorFromErrno(int errnoValue) {
    SetLastError(ErrorFromErrno(errnoValue));
}

} // namespace vg::platform::posix
