// Code-page conversion on Windows: WideCharToMultiByte and MultiByteToWideChar, and a thread
// locale for the thread's ANSI code page. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/code_page.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

#include <array>
#include <climits>
#include <utility>

namespace vg::platform {
namespace {

// The code page chosen for this thread; 0 while none is, and the thread locale decides.
// Kept apart from the locale because some code pages (UTF-8 among them) are no locale's.
thread_local UINT tlsThreadCodePage = 0;

// The thread's locale before the first choice (the user's, as a new thread has it); 0 until then.
thread_local LCID tlsOriginalLocale = 0;

// A locale for each ANSI code page of Windows, the one that its users most often have.
constexpr std::array<std::pair<UINT, LCID>, 14> kLocaleOfAnsiCodePage = {{
    {874, 0x041E},  // Thai
    {932, 0x0411},  // Japanese
    {936, 0x0804},  // Chinese (PRC)
    {949, 0x0412},  // Korean
    {950, 0x0404},  // Chinese (Taiwan)
    {1250, 0x0415}, // Polish
    {1251, 0x0419}, // Russian
    {1252, 0x0409}, // English (United States)
    {1253, 0x0408}, // Greek
    {1254, 0x041F}, // Turkish
    {1255, 0x040D}, // Hebrew
    {1256, 0x0401}, // Arabic (Saudi Arabia)
    {1257, 0x0425}, // Estonian
    {1258, 0x042A}, // Vietnamese
}};

UINT EffectiveCodePage(unsigned codePage) {
    if (codePage == kCodePageThreadAnsi && tlsThreadCodePage != 0) {
        return tlsThreadCodePage;
    }
    return codePage;
}

UINT AnsiCodePageOfLocale(LCID locale) {
    DWORD codePage = 0;
    const int got =
        ::GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR));
    return got == 0 ? 0 : codePage;
}

LCID OriginalThreadLocale() {
    if (tlsOriginalLocale == 0) {
        tlsOriginalLocale = ::GetThreadLocale();
    }
    return tlsOriginalLocale;
}

// The thread's own locale when it has the code page, else the usual locale of the code page;
// nothing for a code page that is no locale's ANSI code page.
std::optional<LCID> LocaleWithAnsiCodePage(UINT codePage) {
    if (AnsiCodePageOfLocale(OriginalThreadLocale()) == codePage) {
        return OriginalThreadLocale();
    }
    for (const auto& [tableCodePage, locale] : kLocaleOfAnsiCodePage) {
        if (tableCodePage == codePage && AnsiCodePageOfLocale(locale) == codePage) {
            return locale;
        }
    }
    return std::nullopt;
}

// Whether the system converts the code page, found by converting the empty text: the
// conversion refuses a code page it does not know with 87.
bool CanConvert(UINT codePage) {
    return ::MultiByteToWideChar(codePage, 0, "", 1, nullptr, 0) != 0;
}

bool FitsInInt(std::size_t count) {
    if (count > static_cast<std::size_t>(INT_MAX)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// The flags that turn best fit off. UTF-8 holds every character and takes no flags.
DWORD NoBestFitFlags(UINT codePage) {
    return codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
}

// Other code pages that take no flags (GB 18030, the ISO-2022 family, the system's when it is
// UTF-8) refuse them, some with 1004 and some with 87.
bool RefusedTheFlags(DWORD flags, DWORD error) {
    return flags != 0 && (error == ERROR_INVALID_FLAGS || error == ERROR_INVALID_PARAMETER);
}

// One conversion of non-empty text: the size first, then the bytes.
std::optional<std::string> ConvertWide(UINT codePage, DWORD flags, const std::wstring& wide) {
    if (!FitsInInt(wide.size())) {
        return std::nullopt;
    }
    const auto length = static_cast<int>(wide.size());
    const int size =
        ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size == 0) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), length, bytes.data(), size, nullptr,
                              nullptr) == 0) {
        return std::nullopt;
    }
    return bytes;
}

// One conversion of non-empty bytes: the size first, then the text.
std::optional<std::u16string> ConvertBytes(UINT codePage, std::string_view bytes) {
    if (!FitsInInt(bytes.size())) {
        return std::nullopt;
    }
    const auto length = static_cast<int>(bytes.size());
    const int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    if (::MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), size) == 0) {
        return std::nullopt;
    }
    return win32::FromWide(wide);
}

} // namespace

std::optional<std::string> WideToMultiByte(unsigned codePage, std::u16string_view text) {
    const UINT effective = EffectiveCodePage(codePage);
    if (text.empty()) {
        return CanConvert(effective) ? std::optional<std::string>(std::in_place) : std::nullopt;
    }
    const std::wstring wide = win32::ToWide(text);
    // Without best fit, a character the code page lacks becomes "?" rather than a look-alike
    // such as a plain quote for a full-width one, which would change what the bytes mean.
    const DWORD flags = NoBestFitFlags(effective);
    std::optional<std::string> bytes = ConvertWide(effective, flags, wide);
    if (!bytes && RefusedTheFlags(flags, ::GetLastError())) {
        bytes = ConvertWide(effective, 0, wide);
    }
    return bytes;
}

std::optional<std::u16string> MultiByteToWide(unsigned codePage, std::string_view bytes) {
    const UINT effective = EffectiveCodePage(codePage);
    if (bytes.empty()) {
        return CanConvert(effective) ? std::optional<std::u16string>(std::in_place) : std::nullopt;
    }
    return ConvertBytes(effective, bytes);
}

bool SetThreadAnsiCodePage(unsigned codePage) {
    if (codePage == kCodePageSystemAnsi) {
        if (!::SetThreadLocale(OriginalThreadLocale())) {
            return false;
        }
        tlsThreadCodePage = 0;
        return true;
    }
    if (codePage == kCodePageThreadAnsi || !CanConvert(codePage)) {
        return false;
    }
    // Other calls that follow the thread locale then agree with the conversions here; a code
    // page that is no locale's leaves the thread its original locale.
    if (!::SetThreadLocale(LocaleWithAnsiCodePage(codePage).value_or(OriginalThreadLocale()))) {
        return false;
    }
    tlsThreadCodePage = codePage;
    return true;
}

} // namespace vg::platform
