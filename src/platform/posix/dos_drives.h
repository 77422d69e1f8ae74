// Drive letters mapped onto native folders, the way a Wine prefix's dosdevices folder maps them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vg::platform::posix {

/// Whether there is a Wine prefix: "<prefix>/dosdevices" is a folder (see WinePrefix()).
bool HasWinePrefix();

/// The native folder of a drive letter (either case): with a Wine prefix
/// "<prefix>/dosdevices/<letter>:", whether or not that entry exists; without one "/" for C.
/// Nothing for another letter without a prefix, or for a character that is not a letter.
std::optional<std::string> DriveLetterFolder(char16_t letter);

/// The native folder of a drive root: a letter and ':', optionally followed by one '\' or '/'
/// ("C:\", "c:", "C:/"). Nothing when the text is no drive root or the letter has no folder.
std::optional<std::string> DriveRootFolder(std::u16string_view root);

/// "C:\windows" when drive C exists: always without a prefix (C is "/"), and with one when its
/// dosdevices folder holds "c:".
std::optional<std::u16string> WindowsDirectoryPath();

} // namespace vg::platform::posix
