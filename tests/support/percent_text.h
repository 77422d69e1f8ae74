// Percent-encoded text as the program sends it: form values, and the escapes of bytes above 0x7F.
#pragma once

#include <string>
#include <string_view>

namespace vg::test {

/// The value of an upper-case hexadecimal digit, -1 for any other character.
int UpperHexDigitValue(char c);

/// "%XX" (upper-case digits) for every byte but letters, digits and "-._~".
std::string FormEncode(std::string_view text);

/// The text with every "%XX" (upper-case digits) that stands for a byte of at least `lowestByte`
/// made that byte; other escapes stay as they are.
std::string PercentDecode(std::string_view text, int lowestByte = 0);

} // namespace vg::test
