// Mapping of errno values to the Windows error numbers that the platform layer reports.
#pragma once

#include <cstdint>
#include <string>

namespace vg::platform::posix {

/// The Windows system error number nearest to an errno value.
std::uint32_t ErrorFromErrno(int errnoValue);

/// Sets the thread's last error from an errno value, as read right after the failing call.
void SetLastErrorFromErrno(int errnoValue);

/// As SetLastErrorFromErrno for a call on a path, telling a missing folder on the way (3) from a
/// missing file (2) as Windows does; ENOENT stands for both.
void SetLastErrorForPath(int errnoValue, const std::string& nativePath);

/// True when the folder that would hold the path exists (the current folder for a bare name).
bool ParentIsDirectory(std::string nativePath);

} // namespace vg::platform::posix
