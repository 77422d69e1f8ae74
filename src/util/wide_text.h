// Small operations on UTF-16 text that the behaviour code shares: letter case, searching,
// removing and trimming, with the same results on every platform.
#pragma once

#include <string>
#include <string_view>

namespace vg::util {

/// The text with A-Z made a-z; other characters are kept, as in the "C" locale.
std::u16string ToLowerAscii(std::u16string_view text);

/// Whole texts equal when A-Z and a-z are taken as the same letters.
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

/// Replaces each occurrence of `from` by `to` in one left-to-right pass; text that a replacement
/// brings together is not searched again.
void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to);

/// Removes every occurrence of one character.
void RemoveAll(std::u16string& text, char16_t character);

/// White space as the Windows wide-character classification has it: the ASCII controls 9 to 13,
/// the blank, and the Unicode space separators, line and paragraph separators.
bool IsWideSpace(char16_t character);

/// Removes white space at the end, then at the start.
void Trim(std::u16string& text);

} // namespace vg::util
