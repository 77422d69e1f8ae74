// Processes by program file on Windows: a process snapshot, each process's image file, and
// TerminateProcess. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/process_list.h"

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <optional>
#include <string>

namespace vg::platform {
namespace {

// A path with the "\\?\" prefix is at most 32767 characters long.
constexpr DWORD kMaxPathCharacters = 32768;

// What tells one file from another, whatever names lead to it.
struct FileIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const wchar_t* path) {
    // Attributes only, and every kind of sharing: a running program's image is open already.
    const win32::UniqueHandle file(::CreateFileW(
        path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !::GetFileInformationByHandle(file.Get(), &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber, information.nFileIndexHigh,
                        information.nFileIndexLow};
}

// The full path of a process's image file; nothing for a process that cannot be examined.
std::optional<std::wstring> ImagePathOf(std::uint32_t pid) {
    const win32::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        return std::nullopt;
    }
    for (DWORD capacity = MAX_PATH + 1; capacity <= 2 * kMaxPathCharacters; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        DWORD length = capacity;
        if (::QueryFullProcessImageNameW(process.Get(), 0, path.data(), &length)) {
            path.resize(length);
            return path;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool RunsFile(std::uint32_t pid, const FileIdentity& target) {
    const std::optional<std::wstring> image = ImagePathOf(pid);
    return image && IdentityOf(image->c_str()) == target;
}

} // namespace

std::vector<std::uint32_t> FindProcessesRunningFile(std::u16string_view path) {
    std::vector<std::uint32_t> pids;
    const std::optional<FileIdentity> target = IdentityOf(win32::ToWide(path).c_str());
    if (!target) {
        return pids;
    }
    const win32::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return pids;
    }
    const DWORD self = ::GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        const DWORD pid = entry.th32ProcessID;
        if (pid != 0 && pid != self && RunsFile(pid, *target)) {
            pids.push_back(pid);
        }
    }
    std::sort(pids.begin(), pids.end());
    ::SetLastError(ERROR_SUCCESS);
    return pids;
}

bool EndProcess(std::uint32_t pid, std::uint32_t exitCode) {
    const win32::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    return process && ::TerminateProcess(process.Get(), exitCode) != 0;
}

} // namespace vg::platform
