// Replacing the running build with a newer one that the CDN publishes, and starting it.
#pragma once

#include <string>
#include <string_view>

namespace vg::selfupdate {

/// 1 when the version text `published` is higher than `own`, else 0. Both are trimmed of white
/// space; unless one of them has exactly three dots they are not comparable (0). Up to four
/// parts are compared, left to right: runs of dots separate as one, a missing part is 0, and a
/// part reads as _wtoi reads it (leading blanks, a sign, digits up to the first other character,
/// saturating at the int range).
int IsNewerVersion(std::u16string_view published, std::u16string_view own);

/// Installs and starts a newer build published under `cdnBase` (a host followed by a path, such
/// as "cdn.varnugames.com/live/"), passing it `commandLine`. A leftover backup of an earlier
/// update is deleted first. The package is installed only when its signature verifies, names
/// `expectedSigner` (never when that is empty) and its own ProductVersion is higher than the
/// running build's; a refused package is deleted. 1 when the new build was installed and
/// started (the run must then end); 0 in every other case, the running build staying in place
/// or being put back.
int RunSelfUpdate(const std::u16string& commandLine, std::u16string_view cdnBase,
                  std::u16string_view expectedSigner);

} // namespace vg::selfupdate
