// Program paths in Windows form mapped onto the Linux file system, the way Wine maps them.
#pragma once

#include <string>
#include <string_view>

namespace vg::platform::posix {

/// The Wine prefix: $WINEPREFIX, else "~/.wine".
std::string WinePrefix();

/// Whether the path starts with an ASCII drive letter and ":" ("C:", "d:\x").
bool HasDriveLetter(std::u16string_view path);

/// "<prefix>/dosdevices/<letter>:" for an ASCII drive letter of either case, the letter in lower
/// case as Wine names it.
std::string DosDevicePath(char16_t letter);

/// The native (UTF-8) path of a program path: "\" and "/" both separate directories, a path
/// with a drive letter resolves through "<prefix>/dosdevices/<letter>:", and any other path
/// (a native absolute path, a relative one) passes through with "\" turned into "/".
std::string NativePath(std::u16string_view path);

} // namespace vg::platform::posix
