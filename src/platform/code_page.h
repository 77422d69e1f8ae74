// Conversion between UTF-16 text and the 8-bit code pages, shaped like WideCharToMultiByte and
// MultiByteToWideChar called with no flags.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vg::platform {

/// Code-page numbers with the meaning Windows gives them.
inline constexpr unsigned kCodePageSystemAnsi = 0; // CP_ACP
inline constexpr unsigned kCodePageThreadAnsi = 3; // CP_THREAD_ACP
inline constexpr unsigned kCodePageUtf8 = 65001;   // CP_UTF8

/// Converts UTF-16 text to a code page. A character the code page cannot hold becomes "?" (UTF-8
/// holds every character; there an unpaired surrogate becomes U+FFFD), never a look-alike.
/// Returns nothing, with the last error set, when the code page cannot be converted to at all.
/// Windows: no best-fit mapping, which would turn a full-width quote into a plain one.
/// Linux: the system ANSI code page is the code set of the process locale (the C and POSIX
/// locales count as UTF-8), and the conversion goes through iconv.
std::optional<std::string> WideToMultiByte(unsigned codePage, std::u16string_view text);

/// Converts bytes in a code page to UTF-16 text. A byte sequence that is not valid in the code
/// page becomes U+FFFD (Windows: the code page's default character, as MultiByteToWideChar
/// gives it). Returns nothing, with the last error set, for a code page the system
/// cannot convert from.
std::optional<std::u16string> MultiByteToWide(unsigned codePage, std::string_view bytes);

/// Chooses the ANSI code page of the calling thread (kCodePageThreadAnsi); 0 returns it to the
/// system ANSI code page. Returns false, leaving the choice unchanged, for a code page the system
/// cannot convert. Windows: chooses a thread locale whose ANSI code page it is.
bool SetThreadAnsiCodePage(unsigned codePage);

} // namespace vg::platform
