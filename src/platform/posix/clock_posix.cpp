// The tick count and sleeping on Linux: CLOCK_BOOTTIME and nanosleep(2). POSIX only.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace vg::platform {

std::uint32_t GetTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000U +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
    // The wrap at 2^32 is the contract, so the truncation is the point.
    return static_cast<std::uint32_t>(milliseconds);
}

void Sleep(std::uint32_t milliseconds) {
    timespec remaining{};
    remaining.tv_sec = static_cast<time_t>(milliseconds / 1000U);
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000U) * 1000000L;
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

} // namespace vg::platform
