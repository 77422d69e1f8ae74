// The user's language on Windows: GetUserDefaultLangID. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/locale.h"

#include <windows.h>

namespace vg::platform {

std::uint16_t GetUserDefaultLangId() {
    return ::GetUserDefaultLangID();
}

} // namespace vg::platform
