// Program paths in Windows form mapped onto the Linux file system, the way Wine maps them.
#pragma once

#include <string>
#include <string_view>

namespace vg::platform::posix {

/// The Wine prefix: $WINEPREFIX, else "~/.wine".
std::string WinePrefix();

/// The native (UTF-8) path of a program path: "\" and "/" both separate directories, a path
/// with a drive letter resolves through "<prefix>/dosdevices/<letter>:", and any other path
/// (a native absolute path, a relative one) passes through with "\" turned into "/".
std::string NativePath(std::u16string_view path);

} // namespace vg::platform::posix
