// The tick count and sleeping on Windows: GetTickCount and Sleep. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/clock.h"

#include <windows.h>

namespace vg::platform {

std::uint32_t GetTickCount() {
    return ::GetTickCount();
}

void Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace vg::platform
