// What the system tells about the PC: the Windows directory, drives and volumes, memory, the
// operating system, the processor and the display adapter, shaped like the Windows calls that
// answer these questions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vg::platform {

/// Drive types, with the values GetDriveTypeW gives them.
enum class DriveType : std::uint32_t {
    Unknown = 0,   ///< DRIVE_UNKNOWN
    NoRootDir = 1, ///< DRIVE_NO_ROOT_DIR: no drive at that root
    Removable = 2, ///< DRIVE_REMOVABLE
    Fixed = 3,     ///< DRIVE_FIXED
    Remote = 4,    ///< DRIVE_REMOTE
    CdRom = 5,     ///< DRIVE_CDROM
    RamDisk = 6,   ///< DRIVE_RAMDISK
};

/// The Windows directory, as SHGetSpecialFolderPathW with CSIDL_WINDOWS gives it ("C:\Windows").
/// Nothing when the system cannot tell.
/// Linux: "C:\windows", the Wine prefix's Windows directory. A prefix exists when
/// "$WINEPREFIX/dosdevices" (default "~/.wine/dosdevices") is a folder; it must then hold "c:".
/// Without a prefix, drive C is the root file system, and the answer is "C:\windows" as well.
std::optional<std::u16string> WindowsDirectory();

// Not named GetDriveType: windows.h defines that name as a macro, which would rename it there.

/// The type of the drive at a root such as "C:\" (either letter case), as GetDriveTypeW tells.
/// Linux: the drive letters of the Wine prefix are its "dosdevices/<letter>:" entries; without a
/// prefix the only drive is C, the root file system "/". A drive is Fixed when its folder lies on
/// a local block device that is not removable; Removable (CdRom for an optical drive) when the
/// block device is removable; Remote on a network file system (NFS, SMB, CIFS, 9P, FUSE ones
/// such as sshfs); RamDisk on tmpfs or ramfs; NoRootDir when the letter has no drive or its
/// folder is missing; Unknown otherwise.
DriveType QueryDriveType(std::u16string_view root);

/// The total number of free bytes on the drive at a root (the fourth output of
/// GetDiskFreeSpaceExW: not only those available to the caller). Nothing, with the last error
/// set, when the query fails. Linux: statvfs's free blocks times the fragment size.
std::optional<std::uint64_t> GetDriveFreeBytes(std::u16string_view root);

/// The volume serial number of the drive at a root, as GetVolumeInformationW gives it. Nothing,
/// with the last error set, when the query fails.
/// Linux: the hexadecimal number in the file ".windows-serial" in the drive's folder when that
/// file is there and readable (as Wine keeps it); else a number that stays the same for the
/// file system: its statvfs identity folded to 32 bits, or the device number when that is 0.
std::optional<std::uint32_t> GetVolumeSerialNumber(std::u16string_view root);

/// Whether the volume of a drive letter ("\\.\C:") reports TRIM as enabled, as DeviceIoControl
/// with IOCTL_STORAGE_QUERY_PROPERTY for StorageDeviceTrimProperty tells it. False when the
/// volume cannot be opened or the question gets no full answer.
/// Linux: the block device under the drive's folder (the whole disk for a partition) has TRIM
/// when its "/sys/block/<dev>/queue/discard_max_bytes" is above 0.
bool IsVolumeTrimEnabled(char16_t driveLetter);

/// The total physical memory in bytes, as GlobalMemoryStatusEx gives it; nothing when the query
/// fails. Linux: sysinfo(2).
std::optional<std::uint64_t> GetTotalPhysicalMemory();

/// A version of the operating system.
struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

/// The operating system's major and minor version, as NetWkstaGetInfo at level 100 gives it.
/// Linux: the Windows version the Wine prefix plays, from its registry
/// (HKLM\Software\Microsoft\Windows NT\CurrentVersion: the DWORDs "CurrentMajorVersionNumber"
/// and "CurrentMinorVersionNumber", else the text "CurrentVersion" such as "6.1"); nothing
/// without a prefix or those values.
std::optional<OsVersion> GetOsVersion();

/// Whether the operating system is a 64-bit one, as IsWow64Process tells the 32-bit program;
/// false when that cannot be told. Linux: the kernel's machine name (uname) is a 64-bit one.
bool IsOs64Bit();

/// The product name and build of the operating system.
struct OsProduct {
    std::u16string productName;
    std::u16string build;
};

/// Windows: "ProductName" and "CurrentBuild" under
/// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion. Linux: the real system: "PRETTY_NAME" of
/// os-release (/etc/os-release, else /usr/lib/os-release; "NAME" when there is no pretty name,
/// "Linux" when neither) and the kernel release (uname). Nothing when they cannot be read.
std::optional<OsProduct> GetOsProduct();

/// The processor's name as the system states it, untrimmed.
/// Windows: HKLM\HARDWARE\DESCRIPTION\SYSTEM\CENTRALPROCESSOR\0 must have "Identifier"; then
/// "ProcessorNameString", else "MMXIdentifier". Linux: the first "model name" of /proc/cpuinfo,
/// else its "Processor", "cpu model" or "cpu" line. Nothing when none can be read.
std::optional<std::u16string> GetProcessorName();

/// The description of the first display device, as EnumDisplayDevicesW for index 0 gives it in
/// DeviceString; nothing when there is none.
/// Linux: the first "/sys/class/drm/card<N>" by number; its PCI vendor and device named from the
/// PCI id database (hwdata's pci.ids) as "<vendor> <device>"; without an entry there,
/// "PCI <vendor>:<device>" in hexadecimal; a device that is not PCI by its driver's name.
std::optional<std::u16string> GetFirstDisplayDeviceDescription();

} // namespace vg::platform
