// Block devices looked up in sysfs by device number, partitions taken to their whole disk.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/block_device.h"
#include "platform/posix/whole_number.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace vg::platform::posix {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kScsiCdRomMajor = 11;

/// The number on the first line of a sysfs attribute file; nothing when it holds none.
std::optional<std::uint64_t> ReadNumber(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!std::getline(in, line)) {
        return std::nullopt;
    }
    return ParseWholeNumber<std::uint64_t>(line);
}

/// The mount source of the mountinfo line for this device number, if any: the field after the
/// file-system type, behind the " - " separator.
std::optional<std::string> MountSource(dev_t device, const fs::path& mountInfo) {
    const std::string number = std::to_string(major(device)) + ':' + std::to_string(minor(device));
    std::ifstream in(mountInfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string mountId;
        std::string parentId;
        std::string deviceNumber;
        fields >> mountId >> parentId >> deviceNumber;
        const std::size_t separator = line.find(" - ");
        if (deviceNumber != number || separator == std::string::npos) {
            continue;
        }
        std::istringstream tail(line.substr(separator + 3));
        std::string type;
        std::string source;
        tail >> type >> source;
        return source;
    }
    return std::nullopt;
}

} // namespace

dev_t BackingDevice(dev_t fileSystemDevice, const fs::path& mountInfo) {
    const std::optional<std::string> source = MountSource(fileSystemDevice, mountInfo);
    struct stat node {};
    if (source && source->starts_with("/dev/") && ::stat(source->c_str(), &node) == 0 &&
        S_ISBLK(node.st_mode)) {
        return node.st_rdev;
    }
    return fileSystemDevice;
}

std::optional<fs::path> WholeDiskFolder(dev_t device, const fs::path& sysRoot) {
    const std::string name = std::to_string(major(device)) + ':' + std::to_string(minor(device));
    std::error_code error;
    const fs::path folder = fs::canonical(sysRoot / "dev" / "block" / name, error);
    if (error) {
        return std::nullopt;
    }
    if (fs::exists(folder / "partition", error)) {
        return folder.parent_path();
    }
    return folder;
}

bool IsRemovableDisk(const fs::path& diskFolder) {
    return ReadNumber(diskFolder / "removable").value_or(0) == 1;
}

bool IsOpticalDevice(dev_t device) {
    return major(device) == kScsiCdRomMajor;
}

bool HasTrim(const fs::path& diskFolder) {
    return ReadNumber(diskFolder / "queue" / "discard_max_bytes").value_or(0) > 0;
}

} // namespace vg::platform::posix
