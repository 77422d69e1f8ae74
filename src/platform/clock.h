// Time as the Windows services count it: a millisecond tick count since start-up, and sleeping.
#pragma once

#include <cstdint>

namespace vg::platform {

/// Milliseconds since the system started, wrapping to 0 every 2^32 ms (about 49.7 days), as
/// GetTickCount counts them: compare two readings by their difference, never by their order.
/// Linux: CLOCK_BOOTTIME, which keeps counting while the machine is suspended, as Windows does.
std::uint32_t GetTickCount();

/// Suspends the calling thread for at least the given number of milliseconds.
/// Linux: a signal that interrupts the wait does not shorten it.
void Sleep(std::uint32_t milliseconds);

} // namespace vg::platform
