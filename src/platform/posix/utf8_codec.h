// UTF-8 and UTF-16, converted by our own code: the code page of the Linux command line, file
// names and the HTTP boundary.
#pragma once

#include <string>
#include <string_view>

namespace vg::platform::posix {

/// UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD, as the Windows conversion does.
std::string Utf16ToUtf8(std::u16string_view text);

/// UTF-8 as UTF-16; each maximal invalid subsequence (an overlong form, a surrogate, a stray or
/// missing continuation byte, a value past U+10FFFF) becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);

} // namespace vg::platform::posix
