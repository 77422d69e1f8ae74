// Which platform a test runs on, for the few expectations that differ between the Linux build,
// Windows and Wine's version of Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace vg::test {

inline constexpr bool kWindowsBuild =
#ifdef _WIN32
    true;
#else
    false;
#endif

/// Whether the Windows build runs under Wine, whose ntdll exports its version.
inline bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

} // namespace vg::test
