// UTF-16 text as the Win32 calls take it: zero-terminated wchar_t strings. Win32 only.
#pragma once

#ifndef _WIN32
#error "Win32 backend only"
#endif

#include <string>
#include <string_view>

namespace vg::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows keeps UTF-16 in wchar_t");

/// A zero-terminated copy of the text for a Win32 call.
inline std::wstring ToWide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

/// The text a Win32 call gave back.
inline std::u16string FromWide(std::wstring_view text) {
    return {text.begin(), text.end()};
}

} // namespace vg::platform::win32
