// Names from the web page and the CDN that become paths: a launcher or check file must stay
// inside the install directory, an installer name inside the temporary directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vg::startflow {

/// Why a relative path may not be used below a directory: it is empty, absolute, names a drive
/// or a stream (":"), holds a control character, or has a component of dots and blanks only
/// other than "." (Windows reads "..", ". ." and "... " alike as the parent). Nothing when safe.
std::optional<std::u16string> UnsafeRelativePath(std::u16string_view name);

/// As UnsafeRelativePath, and a plain file name must not have a directory part either.
std::optional<std::u16string> UnsafeFileName(std::u16string_view name);

/// The event description that refuses an installer name ("SetupName") which is not a plain file
/// name: "Refused installer name "<name>": <reason>."; nothing when the name is safe.
std::optional<std::u16string> RefusedInstallerName(std::u16string_view setupName);

/// The description that refuses a launcher file name which would leave the install directory;
/// nothing when the name is safe.
std::optional<std::u16string> RefusedLauncherName(std::u16string_view launcherFile);

/// The description that refuses a "CheckFiles" entry which would leave the install directory;
/// nothing when the name is safe.
std::optional<std::u16string> RefusedCheckFileName(std::u16string_view checkFile);

} // namespace vg::startflow
