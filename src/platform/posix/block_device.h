// The block device a file system lies on, as sysfs describes it: removable, optical, TRIM.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace vg::platform::posix {

/// The sysfs folder of the whole disk that holds a device number: "<sysRoot>/dev/block/<maj>:<min>"
/// resolved, and its parent when that is a partition (it has a "partition" file). Nothing when
/// sysfs lists no such block device (tmpfs, overlay and other file systems without one).
std::optional<std::filesystem::path> WholeDiskFolder(dev_t device,
                                                     const std::filesystem::path& sysRoot = "/sys");

/// The block device a file system with this device number was mounted from, for file systems
/// whose own device number is not a block device's (btrfs, for one): the mount's source in
/// mountinfo, when that is a block device node. Without such a source, the device number itself.
dev_t BackingDevice(dev_t fileSystemDevice,
                    const std::filesystem::path& mountInfo = "/proc/self/mountinfo");

/// Whether the disk says it is removable ("removable" holds 1).
bool IsRemovableDisk(const std::filesystem::path& diskFolder);

/// Whether a device number is that of an optical drive (the SCSI CD-ROM driver's major, 11).
bool IsOpticalDevice(dev_t device);

/// Whether the disk discards unused blocks: its "queue/discard_max_bytes" is above 0.
bool HasTrim(const std::filesystem::path& diskFolder);

} // namespace vg::platform::posix
