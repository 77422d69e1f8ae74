// The program's own path on Windows: GetModuleFileNameW of the main module. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/program_path.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

#include <string>

namespace vg::platform {
namespace {

// A path with the "\\?\" prefix is at most 32767 characters long; the buffer grows no further.
constexpr DWORD kMaxPathCharacters = 32768;

} // namespace

std::u16string GetProgramPath() {
    // A path that fills the buffer may have been cut (Windows XP does not even say so).
    for (DWORD size = MAX_PATH + 1; size <= 2 * kMaxPathCharacters; size *= 2) {
        std::wstring path(size, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            path.resize(length);
            return win32::FromWide(path);
        }
    }
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return {};
}

} // namespace vg::platform
