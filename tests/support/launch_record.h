// Reading what vg-test-recorder wrote about how it was started.
#pragma once

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
};

/// The record in the file, once the recorder has written it.
std::optional<LaunchRecord> ReadLaunchRecord(const std::string& path);

} // namespace vg::test
