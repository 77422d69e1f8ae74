// The program's own path on Linux: the link /proc/self/exe. POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/program_path.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/utf8_codec.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace vg::platform {
namespace {

/// Far beyond any path the kernel resolves; it only bounds the growing buffer.
constexpr std::size_t kMaxPathBytes = 1U << 20;

} // namespace

std::u16string GetProgramPath() {
    // The link's length is not known before it is read; a buffer that fills up may have cut it.
    for (std::size_t size = 256; size <= kMaxPathBytes; size *= 2) {
        std::string target(size, '\0');
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0) {
            posix::SetLastErrorFromErrno(errno);
            return {};
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return posix::Utf8ToUtf16(target);
        }
    }
    SetLastError(kErrorInsufficientBuffer);
    return {};
}

} // namespace vg::platform
