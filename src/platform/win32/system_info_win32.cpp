// What Windows tells about the PC: shell folders, volumes, memory, the workstation service, the
// registry and the display devices. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/system_info.h"

#include "platform/registry.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_string.h"
#include "util/registry_text.h"

#include <windows.h>

#include <lm.h>
#include <shlobj.h>
#include <winioctl.h>

#include <array>
#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

namespace vg::platform {
namespace {

constexpr std::u16string_view kCurrentVersionKey =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::u16string_view kProcessorKey = u"HARDWARE\\DESCRIPTION\\SYSTEM\\CENTRALPROCESSOR\\0";

// The buffers the report reads these values into; longer values count as unreadable.
constexpr std::size_t kBuildBufferBytes = 1024;
constexpr std::size_t kProductNameBufferBytes = 512;
constexpr std::size_t kIdentifierBufferBytes = 1024;
constexpr std::size_t kProcessorNameBufferBytes = 512;

struct NetApiBufferFreer {
    void operator()(void* buffer) const { ::NetApiBufferFree(buffer); }
};
using WorkstationInfo = std::unique_ptr<WKSTA_INFO_100, NetApiBufferFreer>;

/// The text a call left in a fixed buffer, up to its first zero.
std::u16string TextOf(std::wstring_view buffer) {
    return win32::FromWide(buffer.substr(0, buffer.find(L'\0')));
}

std::optional<std::u16string> ReadMachineText(std::u16string_view subKey,
                                              std::u16string_view valueName,
                                              std::size_t bufferBytes) {
    return util::ReadRegistryText(RegistryHive::LocalMachine, subKey, valueName, bufferBytes);
}

/// The volume of a drive letter, opened for device queries only: that needs no access right, so
/// a user without administrator rights may ask too.
win32::UniqueHandle OpenVolume(char16_t driveLetter) {
    std::wstring path = L"\\\\.\\";
    path += static_cast<wchar_t>(driveLetter);
    path += L':';
    return win32::UniqueHandle(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
}

} // namespace

std::optional<std::u16string> WindowsDirectory() {
    std::array<wchar_t, MAX_PATH> path{};
    if (!::SHGetSpecialFolderPathW(nullptr, path.data(), CSIDL_WINDOWS, FALSE)) {
        return std::nullopt;
    }
    return TextOf({path.data(), path.size()});
}

DriveType QueryDriveType(std::u16string_view root) {
    return static_cast<DriveType>(::GetDriveTypeW(win32::ToWide(root).c_str()));
}

std::optional<std::uint64_t> GetDriveFreeBytes(std::u16string_view root) {
    ULARGE_INTEGER totalFree{};
    if (!::GetDiskFreeSpaceExW(win32::ToWide(root).c_str(), nullptr, nullptr, &totalFree)) {
        return std::nullopt;
    }
    return totalFree.QuadPart;
}

std::optional<std::uint32_t> GetVolumeSerialNumber(std::u16string_view root) {
    DWORD serial = 0;
    if (!::GetVolumeInformationW(win32::ToWide(root).c_str(), nullptr, 0, &serial, nullptr, nullptr,
                                 nullptr, 0)) {
        return std::nullopt;
    }
    return serial;
}

bool IsVolumeTrimEnabled(char16_t driveLetter) {
    const win32::UniqueHandle volume = OpenVolume(driveLetter);
    if (!volume) {
        return false;
    }
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceTrimProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_TRIM_DESCRIPTOR trim{};
    DWORD returned = 0;
    const BOOL answered = ::DeviceIoControl(volume.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query,
                                            sizeof(query), &trim, sizeof(trim), &returned, nullptr);
    return answered && returned == sizeof(trim) && trim.TrimEnabled;
}

std::optional<std::uint64_t> GetTotalPhysicalMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!::GlobalMemoryStatusEx(&status)) {
        return std::nullopt;
    }
    return status.ullTotalPhys;
}

std::optional<OsVersion> GetOsVersion() {
    LPBYTE buffer = nullptr;
    const NET_API_STATUS status = ::NetWkstaGetInfo(nullptr, 100, &buffer);
    const WorkstationInfo info(reinterpret_cast<WKSTA_INFO_100*>(buffer));
    if (status != NERR_Success || !info) {
        ::SetLastError(status);
        return std::nullopt;
    }
    return OsVersion{info->wki100_ver_major, info->wki100_ver_minor};
}

bool IsOs64Bit() {
    // The 64-bit build of this code runs only on a 64-bit system, where IsWow64Process would
    // say false for it: its own pointer size answers instead.
    if constexpr (sizeof(void*) == 8) {
        return true;
    } else {
        BOOL wow64 = FALSE;
        return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
    }
}

std::optional<OsProduct> GetOsProduct() {
    std::optional<std::u16string> build =
        ReadMachineText(kCurrentVersionKey, u"CurrentBuild", kBuildBufferBytes);
    std::optional<std::u16string> productName =
        ReadMachineText(kCurrentVersionKey, u"ProductName", kProductNameBufferBytes);
    if (!build || !productName) {
        return std::nullopt;
    }
    return OsProduct{std::move(*productName), std::move(*build)};
}

std::optional<std::u16string> GetProcessorName() {
    if (!ReadMachineText(kProcessorKey, u"Identifier", kIdentifierBufferBytes)) {
        return std::nullopt;
    }
    if (std::optional<std::u16string> name =
            ReadMachineText(kProcessorKey, u"ProcessorNameString", kProcessorNameBufferBytes)) {
        return name;
    }
    return ReadMachineText(kProcessorKey, u"MMXIdentifier", kProcessorNameBufferBytes);
}

std::optional<std::u16string> GetFirstDisplayDeviceDescription() {
    DISPLAY_DEVICEW device{};
    device.cb = sizeof(device);
    if (!::EnumDisplayDevicesW(nullptr, 0, &device, 0)) {
        return std::nullopt;
    }
    return TextOf({device.DeviceString, std::size(device.DeviceString)});
}

} // namespace vg::platform
