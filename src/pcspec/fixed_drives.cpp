// The walk over the drive letters, asking the system for each drive's type and free space.
#include "pcspec/fixed_drives.h"

#include "platform/system_info.h"

namespace vg::pcspec {

std::u16string FixedDrive::Root() const {
    return std::u16string{letter, u':', u'\\'};
}

std::optional<FixedDrive> FindFixedDrive(char16_t letter) {
    FixedDrive drive{.letter = letter};
    const std::u16string root = drive.Root();
    if (platform::QueryDriveType(root) != platform::DriveType::Fixed) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> freeBytes = platform::GetDriveFreeBytes(root);
    if (!freeBytes) {
        return std::nullopt;
    }
    drive.freeBytes = *freeBytes;
    return drive;
}

std::vector<FixedDrive> FindFixedDrives() {
    std::vector<FixedDrive> drives;
    for (char16_t letter = u'C'; letter <= u'Z'; ++letter) {
        if (std::optional<FixedDrive> drive = FindFixedDrive(letter)) {
            drives.push_back(*drive);
        }
    }
    return drives;
}

} // namespace vg::pcspec
