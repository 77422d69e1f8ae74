// Mapping of errno values to the Windows error numbers that the platform layer reports.
#pragma once

#include <cstdint>

namespace vg::platform::posix {

/// The Windows system error number nearest to an errno value.
std::uint32_t ErrorFromErrno(int errnoValue);

/// Sets the thread's last error from an errno value, as read right after the failing call.
void SetLastErrorFromErrno(int errnoValue);

} // namespace vg::platform::posix
