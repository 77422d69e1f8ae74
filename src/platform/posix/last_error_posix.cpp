// The thread's last error on Linux: a thread-local number in the Windows code space.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/last_error.h"

namespace vg::platform {
namespace {
thread_local std::uint32_t tlsLastError = 0;
} // namespace

std::uint32_t GetLastError() {
    return tlsLastError;
}

void SetLastError(std::uint32_t code) {
    tlsLastError = code;
}

} // namespace vg::platform
