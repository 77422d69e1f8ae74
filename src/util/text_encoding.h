// The program's 8-bit text: UTF-16 converted to and from the thread's ANSI code page, and the
// percent-encoding of form values.
#pragma once

#include <string>
#include <string_view>

namespace vg::util {

/// The text as bytes of the thread's ANSI code page; characters it cannot hold become "?".
/// Empty when the code page cannot be converted to.
std::string ToAnsi(std::u16string_view text);

/// Bytes of the thread's ANSI code page as UTF-16 text; invalid bytes become U+FFFD.
/// Throws std::system_error carrying the last error when the code page cannot be converted from.
std::u16string FromAnsi(std::string_view bytes);

/// The ANSI bytes of the text, each letter, digit and "-._~" as it is and every other byte as
/// "%XX" with upper-case hexadecimal digits.
std::u16string UrlEncodeAnsi(std::u16string_view text);

/// UTF-16 text as UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string ToUtf8(std::u16string_view text);

/// UTF-8 bytes as UTF-16 text (an invalid sequence becomes U+FFFD).
std::u16string FromUtf8(std::string_view bytes);

/// ASCII text widened to UTF-16, for literals and protocol text known to be ASCII.
std::u16string WidenAscii(std::string_view ascii);

} // namespace vg::util
