// The calling thread's last system error number, kept in the Windows code space on every platform.
#pragma once

#include <cstdint>

namespace vg::platform {

/// The last error that a platform call of this thread reported.
std::uint32_t GetLastError();

/// Sets this thread's last error, as a failing platform call does.
void SetLastError(std::uint32_t code);

} // namespace vg::platform
