// The lookup of a game's install directory in the registry, at the places its configuration names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vg::config {

/// Whether registryRoot names a hive ("HKCR", "HKCU", "HKLM" or "HKU", A-Z and a-z taken as the
/// same letters); FindInstallPath reads any other text as HKCU.
bool NamesRegistryHive(std::u16string_view registryRoot);

/// Looks for the value "InstallPath" under each of the registry paths in turn, below the hive
/// that registryRoot names ("HKCR", "HKCU", "HKLM" or "HKU", compared with A-Z and a-z taken as
/// the same letters; any other text is HKCU), in the program's own registry view. A key or value
/// that is missing or cannot be read is passed over, as is a value that does not fit a buffer of
/// 2600 UTF-16 characters with its terminating zero; the value's type is not looked at, and its
/// text is taken up to its first zero character. installPath starts empty, and each value read
/// replaces it, an empty one too.
/// Returns 1 when a non-empty directory was found (it is in installPath), else 0 with
/// installPath as the last value read left it (empty when none was read).
int FindInstallPath(std::u16string_view registryRoot,
                    const std::vector<std::u16string>& registryPaths, std::u16string& installPath);

} // namespace vg::config
