// The thread's last error on Windows: the system's own. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/last_error.h"

#include <windows.h>

namespace vg::platform {

std::uint32_t GetLastError() {
    return ::GetLastError();
}

void SetLastError(std::uint32_t code) {
    ::SetLastError(code);
}

} // namespace vg::platform
