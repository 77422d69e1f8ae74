// Drive letters resolved through "<prefix>/dosdevices", with "/" as drive C when there is no
// prefix.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/dos_drives.h"

#include "platform/posix/native_path.h"

#include <sys/stat.h>

namespace vg::platform::posix {
namespace {

std::string DosDevicesFolder() {
    return WinePrefix() + "/dosdevices";
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

bool HasWinePrefix() {
    return IsDirectory(DosDevicesFolder());
}

std::optional<std::string> DriveLetterFolder(char16_t letter) {
    if (!HasDriveLetter(std::u16string{letter, u':'})) {
        return std::nullopt;
    }
    if (HasWinePrefix()) {
        return DosDevicePath(letter);
    }
    if (letter == u'c' || letter == u'C') {
        return std::string("/");
    }
    return std::nullopt;
}

std::optional<std::string> DriveRootFolder(std::u16string_view root) {
    const bool separatorAtMost =
        root.size() == 2 || (root.size() == 3 && (root[2] == u'\\' || root[2] == u'/'));
    if (!HasDriveLetter(root) || !separatorAtMost) {
        return std::nullopt;
    }
    return DriveLetterFolder(root[0]);
}

std::optional<std::u16string> WindowsDirectoryPath() {
    if (HasWinePrefix() && !Exists(DosDevicePath(u'c'))) {
        return std::nullopt;
    }
    return u"C:\\windows";
}

} // namespace vg::platform::posix
