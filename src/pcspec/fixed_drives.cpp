// The walk over the drive letters, asking the system for each drive's type and free space.
#include "pcspec/fixed_drives.h"

#include "platform/system_info.h"

#include <optional>

namespace vg::pcspec {

std::u16string FixedDrive::Root() const {
    return std::u16string{letter, u':', u'\\'};
}

std::vector<FixedDrive> FindFixedDrives() {
    std::vector<FixedDrive> drives;
    for (char16_t letter = u'C'; letter <= u'Z'; ++letter) {
        const FixedDrive drive{.letter = letter};
        const std::u16string root = drive.Root();
        if (platform::QueryDriveType(root) != platform::DriveType::Fixed) {
            continue;
        }
        if (const std::optional<std::uint64_t> freeBytes = platform::GetDriveFreeBytes(root)) {
            drives.push_back({.letter = letter, .freeBytes = *freeBytes});
        }
    }
    return drives;
}

} // namespace vg::pcspec
