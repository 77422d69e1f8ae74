// What the system tells about the PC, read from the real machine (statvfs, sysfs, /proc,
// os-release, uname) and, for the Windows version, from the Wine prefix's registry.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/system_info.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/block_device.h"
#include "platform/posix/display_adapter.h"
#include "platform/posix/dos_drives.h"
#include "platform/posix/errno_mapping.h"
#include "platform/posix/system_description_text.h"
#include "platform/posix/utf8_codec.h"
#include "platform/posix/whole_number.h"
#include "platform/registry.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <system_error>

namespace vg::platform {
namespace {

// File system magic numbers (statfs f_type), as <linux/magic.h> and the file systems define them.
constexpr std::uint32_t kTmpfsMagic = 0x01021994;
constexpr std::uint32_t kRamfsMagic = 0x858458F6;
constexpr std::array<std::uint32_t, 6> kRemoteMagics = {
    0x00006969, // NFS
    0x0000517B, // SMB
    0xFE534D42, // SMB2
    0xFF534D42, // CIFS
    0x01021997, // 9P
    0x65735546, // FUSE, network ones such as sshfs among them
};

constexpr std::size_t kSerialFileLimit = 64;

std::optional<std::string> ReadFile(const std::string& path, std::size_t limit = SIZE_MAX) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text;
    std::array<char, 4096> chunk{};
    while (text.size() < limit && in.read(chunk.data(), chunk.size()).gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    }
    text.resize(std::min(text.size(), limit));
    return text;
}

std::optional<std::string> ReadFirstReadable(std::initializer_list<const char*> paths) {
    for (const char* path : paths) {
        if (std::optional<std::string> text = ReadFile(path)) {
            return text;
        }
    }
    return std::nullopt;
}

std::uint32_t FoldTo32Bits(std::uint64_t value) {
    return static_cast<std::uint32_t>(value) ^ static_cast<std::uint32_t>(value >> 32);
}

/// Windows tells a drive that is not there by a missing path, whatever the reason on Linux.
void SetLastErrorForDriveFolder(int errnoValue) {
    if (errnoValue == ENOENT || errnoValue == ENOTDIR) {
        SetLastError(kErrorPathNotFound);
    } else {
        posix::SetLastErrorFromErrno(errnoValue);
    }
}

/// The drive folder of a root, with the last error set when there is none.
std::optional<std::string> DriveFolderOrError(std::u16string_view root) {
    std::optional<std::string> folder = posix::DriveRootFolder(root);
    if (!folder) {
        SetLastError(root.size() >= 2 && root[1] == u':' ? kErrorPathNotFound : kErrorInvalidName);
    }
    return folder;
}

std::optional<struct statvfs> StatVfsOrError(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) {
        SetLastErrorForDriveFolder(errno);
        return std::nullopt;
    }
    return info;
}

/// The statvfs of a drive's folder, which goes to `folder`; nothing, with the last error set,
/// when the root names no drive or the query fails.
std::optional<struct statvfs> DriveStatVfs(std::u16string_view root, std::string& folder) {
    const std::optional<std::string> mapped = DriveFolderOrError(root);
    if (!mapped) {
        return std::nullopt;
    }
    folder = *mapped;
    return StatVfsOrError(folder);
}

bool IsRemoteMagic(std::uint32_t magic) {
    return std::find(kRemoteMagics.begin(), kRemoteMagics.end(), magic) != kRemoteMagics.end();
}

DriveType BlockDeviceDriveType(dev_t fileSystemDevice) {
    const dev_t device = posix::BackingDevice(fileSystemDevice);
    const std::optional<std::filesystem::path> disk = posix::WholeDiskFolder(device);
    if (!disk) {
        return DriveType::Unknown;
    }
    if (!posix::IsRemovableDisk(*disk)) {
        return DriveType::Fixed;
    }
    return posix::IsOpticalDevice(device) ? DriveType::CdRom : DriveType::Removable;
}

std::optional<std::uint32_t> ReadDword(const RegistryKey& key, std::u16string_view name) {
    std::uint32_t type = 0;
    std::array<std::uint8_t, 4> bytes{};
    auto size = static_cast<std::uint32_t>(bytes.size());
    if (key.QueryValue(name, &type, bytes.data(), &size) != 0 || type != kRegDword ||
        size != bytes.size()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        value = value << 8 | bytes[i];
    }
    return value;
}

/// A REG_SZ value as UTF-8, without the zero it was stored with.
std::optional<std::string> ReadString(const RegistryKey& key, std::u16string_view name) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (key.QueryValue(name, &type, nullptr, &size) != 0 || type != kRegString) {
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    if (key.QueryValue(name, &type, reinterpret_cast<std::uint8_t*>(bytes.data()), &size) != 0) {
        return std::nullopt;
    }
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    while (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return posix::Utf16ToUtf8(text);
}

/// "6.1" as a version.
std::optional<OsVersion> ParseVersionText(std::string_view text) {
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> major =
        posix::ParseWholeNumber<std::uint32_t>(text.substr(0, dot));
    const std::optional<std::uint32_t> minor =
        posix::ParseWholeNumber<std::uint32_t>(text.substr(dot + 1));
    if (!major || !minor) {
        return std::nullopt;
    }
    return OsVersion{*major, *minor};
}

std::optional<struct utsname> Uname() {
    struct utsname names {};
    if (::uname(&names) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    return names;
}

} // namespace

std::optional<std::u16string> WindowsDirectory() {
    return posix::WindowsDirectoryPath();
}

DriveType QueryDriveType(std::u16string_view root) {
    const std::optional<std::string> folder = posix::DriveRootFolder(root);
    struct stat info {};
    if (!folder || ::stat(folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return DriveType::NoRootDir;
    }
    struct statfs fileSystem {};
    if (::statfs(folder->c_str(), &fileSystem) != 0) {
        return DriveType::Unknown;
    }
    const auto magic = static_cast<std::uint32_t>(fileSystem.f_type);
    if (magic == kTmpfsMagic || magic == kRamfsMagic) {
        return DriveType::RamDisk;
    }
    if (IsRemoteMagic(magic)) {
        return DriveType::Remote;
    }
    return BlockDeviceDriveType(info.st_dev);
}

std::optional<std::uint64_t> GetDriveFreeBytes(std::u16string_view root) {
    std::string folder;
    const std::optional<struct statvfs> info = DriveStatVfs(root, folder);
    if (!info) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info->f_bfree) * info->f_frsize;
}

std::optional<std::uint32_t> GetVolumeSerialNumber(std::u16string_view root) {
    std::string folder;
    const std::optional<struct statvfs> info = DriveStatVfs(root, folder);
    if (!info) {
        return std::nullopt;
    }
    if (const std::optional<std::string> text =
            ReadFile(folder + "/.windows-serial", kSerialFileLimit)) {
        if (const std::optional<std::uint32_t> serial = posix::ParseVolumeSerialText(*text)) {
            return serial;
        }
    }
    if (info->f_fsid != 0) {
        return FoldTo32Bits(info->f_fsid);
    }
    struct stat device {};
    if (::stat(folder.c_str(), &device) != 0) {
        SetLastErrorForDriveFolder(errno);
        return std::nullopt;
    }
    return FoldTo32Bits(device.st_dev);
}

bool IsVolumeTrimEnabled(char16_t driveLetter) {
    const std::optional<std::string> folder = posix::DriveLetterFolder(driveLetter);
    struct stat info {};
    if (!folder || ::stat(folder->c_str(), &info) != 0) {
        return false;
    }
    const std::optional<std::filesystem::path> disk =
        posix::WholeDiskFolder(posix::BackingDevice(info.st_dev));
    return disk && posix::HasTrim(*disk);
}

std::optional<std::uint64_t> GetTotalPhysicalMemory() {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) {
        posix::SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

std::optional<OsVersion> GetOsVersion() {
    RegistryKey key;
    if (key.Open(RegistryHive::LocalMachine, u"Software\\Microsoft\\Windows NT\\CurrentVersion",
                 kKeyQueryValue | kKeyWow64View64) != 0) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> major = ReadDword(key, u"CurrentMajorVersionNumber");
    const std::optional<std::uint32_t> minor = ReadDword(key, u"CurrentMinorVersionNumber");
    if (major && minor) {
        return OsVersion{*major, *minor};
    }
    const std::optional<std::string> text = ReadString(key, u"CurrentVersion");
    return text ? ParseVersionText(*text) : std::nullopt;
}

bool IsOs64Bit() {
    const std::optional<struct utsname> names = Uname();
    return names && posix::IsSixtyFourBitMachine(names->machine);
}

std::optional<OsProduct> GetOsProduct() {
    const std::optional<std::string> osRelease =
        ReadFirstReadable({"/etc/os-release", "/usr/lib/os-release"});
    const std::optional<struct utsname> names = Uname();
    if (!osRelease || !names) {
        return std::nullopt;
    }
    return OsProduct{posix::Utf8ToUtf16(posix::OsNameFromOsRelease(*osRelease)),
                     posix::Utf8ToUtf16(names->release)};
}

std::optional<std::u16string> GetProcessorName() {
    const std::optional<std::string> cpuInfo = ReadFile("/proc/cpuinfo");
    const std::optional<std::string> name =
        cpuInfo ? posix::ProcessorNameFromCpuInfo(*cpuInfo) : std::nullopt;
    if (!name) {
        return std::nullopt;
    }
    return posix::Utf8ToUtf16(*name);
}

std::optional<std::u16string> GetFirstDisplayDeviceDescription() {
    std::error_code error;
    const char* pciIds = std::filesystem::exists("/usr/share/hwdata/pci.ids", error)
                             ? "/usr/share/hwdata/pci.ids"
                             : "/usr/share/misc/pci.ids";
    const std::optional<std::string> description =
        posix::FirstDisplayCardDescription("/sys", pciIds);
    if (!description) {
        return std::nullopt;
    }
    return posix::Utf8ToUtf16(*description);
}

} // namespace vg::platform
