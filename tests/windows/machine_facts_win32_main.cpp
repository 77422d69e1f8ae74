// vg-machine-facts.exe: what Windows (here Wine) says about the machine, for the black-box
// suite's expectations of the PC report and the PC registration when it runs the Windows
// program. Prints "key=value" lines in UTF-8; a fact the system does not give is left out.
// Win32 only.
#ifndef _WIN32
#error "Win32 only"
#endif

#include <windows.h>

#include <iphlpapi.h>
#include <winioctl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

void Print(const char* key, const std::string& value) {
    std::printf("%s=%s\n", key, value.c_str());
}

std::wstring MachineText(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return value;
}

// The first adapter the system lists, as 12 lower-case hexadecimal digits.
void PrintFirstAdapterAddress() {
    ULONG size = 0;
    if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
        return;
    }
    std::vector<std::uint8_t> buffer(size);
    auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (::GetAdaptersInfo(adapters, &size) != NO_ERROR) {
        return;
    }
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter; adapter = adapter->Next) {
        if (adapter->AddressLength != 6) {
            continue;
        }
        char text[13] = {};
        for (int i = 0; i < 6; ++i) {
            std::snprintf(text + 2 * i, 3, "%02x", adapter->Address[i]);
        }
        Print("mac", text);
        return;
    }
}

bool IsFixedDriveWithFreeSpace(const std::wstring& root, ULARGE_INTEGER& totalFree) {
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    return ::GetDriveTypeW(root.c_str()) == DRIVE_FIXED &&
           ::GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree);
}

bool HasTrim(wchar_t letter) {
    const std::wstring volume = std::wstring(L"\\\\.\\") + letter + L":";
    const HANDLE device =
        ::CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceTrimProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_TRIM_DESCRIPTOR trim{};
    DWORD returned = 0;
    const BOOL answered = ::DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query,
                                            sizeof query, &trim, sizeof trim, &returned, nullptr);
    ::CloseHandle(device);
    return answered && returned == sizeof trim && trim.TrimEnabled;
}

// "drive=<letter> <free MiB> <1 when the volume reports TRIM, else 0>" for each fixed drive.
void PrintFixedDrives() {
    for (wchar_t letter = L'c'; letter <= L'z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        ULARGE_INTEGER free{};
        if (IsFixedDriveWithFreeSpace(root, free)) {
            Print("drive", std::string(1, static_cast<char>(letter)) + " " +
                               std::to_string(free.QuadPart >> 20) + " " +
                               (HasTrim(letter) ? "1" : "0"));
        }
    }
}

void PrintSystemDrive() {
    wchar_t windows[MAX_PATH] = {};
    if (::GetWindowsDirectoryW(windows, MAX_PATH) < 2 || windows[1] != L':') {
        return;
    }
    const std::wstring root = std::wstring(windows, 2) + L"\\";
    ULARGE_INTEGER free{};
    DWORD serial = 0;
    if (IsFixedDriveWithFreeSpace(root, free) &&
        ::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        char text[16];
        std::snprintf(text, sizeof text, "%lX", serial);
        Print("system-volume-serial", text);
    }
}

void PrintOperatingSystem() {
    const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    Print("os-product", Utf8(MachineText(key, L"ProductName")));
    Print("os-build", Utf8(MachineText(key, L"CurrentBuild")));
    SYSTEM_INFO system{};
    ::GetNativeSystemInfo(&system);
    const bool is64 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
    Print("os-bits", is64 ? "64" : "32");
}

void PrintHardware() {
    Print("cpu", Utf8(MachineText(L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                  L"ProcessorNameString")));
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (::GlobalMemoryStatusEx(&memory)) {
        Print("ram-bytes", std::to_string(memory.ullTotalPhys));
    }
    DISPLAY_DEVICEW display{};
    display.cb = sizeof display;
    if (::EnumDisplayDevicesW(nullptr, 0, &display, 0)) {
        Print("vga", Utf8(display.DeviceString));
    }
}

} // namespace

int wmain() {
    PrintFirstAdapterAddress();
    PrintSystemDrive();
    PrintFixedDrives();
    PrintOperatingSystem();
    PrintHardware();
    return 0;
}
