// Reading what vg-test-recorder wrote about how it was started.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vg::test {

struct LaunchRecord {
    std::vector<std::string> argv;
    std::string cwd;
    std::map<int, std::string> standardDescriptors; ///< 0, 1, 2 and what they are open on
    std::map<int, std::string> otherDescriptors;    ///< every other open descriptor
    /// When the recorder entered main, in nanoseconds of std::chrono::steady_clock (on Linux
    /// CLOCK_MONOTONIC, the same in every process); absent in the Windows recorder's records.
    std::optional<std::int64_t> monotonicNs;
};

/// The record in the file, once the recorder has written it.
std::optional<LaunchRecord> ReadLaunchRecord(const std::string& path);

} // namespace vg::test
