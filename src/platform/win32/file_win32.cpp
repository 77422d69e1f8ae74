// The open file on Windows: CreateFileW, ReadFile, WriteFile, SetFilePointerEx and
// FlushFileBuffers. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/file.h"

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace vg::platform {
namespace {

static_assert(sizeof(std::intptr_t) == sizeof(HANDLE), "the file keeps its HANDLE as a number");

// ReadFile and WriteFile count in DWORDs; larger spans go through in pieces of this size.
constexpr std::size_t kMaxTransfer = 1U << 30;

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

DWORD DesiredAccess(FileAccess access) {
    return access == FileAccess::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
}

DWORD CreationDisposition(FileDisposition disposition) {
    switch (disposition) {
    case FileDisposition::CreateNew:
        return CREATE_NEW;
    case FileDisposition::CreateAlways:
        return CREATE_ALWAYS;
    case FileDisposition::OpenExisting:
        return OPEN_EXISTING;
    case FileDisposition::OpenAlways:
        break;
    }
    return OPEN_ALWAYS;
}

// A call on a closed file fails as one on an invalid handle does.
bool IsUsable(const File& file) {
    if (!file.IsOpen()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return true;
}

bool MovePointer(HANDLE handle, std::int64_t distance, DWORD method) {
    LARGE_INTEGER move{};
    move.QuadPart = distance;
    return ::SetFilePointerEx(handle, move, nullptr, method) != 0;
}

DWORD TransferSize(std::size_t remaining) {
    return static_cast<DWORD>(std::min(remaining, kMaxTransfer));
}

} // namespace

std::optional<File> File::Open(std::u16string_view path, FileAccess access,
                               FileDisposition disposition) {
    // Sharing for reading only: nobody writes, renames or deletes the file while it is open.
    // The default security attributes keep the handle from programs started meanwhile.
    const HANDLE handle =
        ::CreateFileW(win32::ToWide(path).c_str(), DesiredAccess(access), FILE_SHARE_READ, nullptr,
                      CreationDisposition(disposition), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    // CreateFileW leaves 183 for an existing file it opened or emptied, and is silent otherwise.
    const bool opensOrCreates =
        disposition == FileDisposition::CreateAlways || disposition == FileDisposition::OpenAlways;
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    ::SetLastError(opensOrCreates && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return File(reinterpret_cast<std::intptr_t>(handle));
}

std::optional<std::uint64_t> File::Size() const {
    if (!IsUsable(*this)) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(AsHandle(handle_), &size)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool File::SeekToEnd() {
    return IsUsable(*this) && MovePointer(AsHandle(handle_), 0, FILE_END);
}

bool File::Seek(std::uint64_t offset) {
    if (!IsUsable(*this)) {
        return false;
    }
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return MovePointer(AsHandle(handle_), static_cast<std::int64_t>(offset), FILE_BEGIN);
}

bool File::Write(std::span<const std::uint8_t> bytes) {
    if (!IsUsable(*this)) {
        return false;
    }
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(AsHandle(handle_), bytes.data(), TransferSize(bytes.size()), &written,
                         nullptr)) {
            return false;
        }
        // A disk file takes all of a write or fails; nothing taken can only mean no room.
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

std::optional<std::size_t> File::Read(std::span<std::uint8_t> buffer) {
    if (!IsUsable(*this)) {
        return std::nullopt;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        DWORD got = 0;
        if (!::ReadFile(AsHandle(handle_), buffer.data() + done, TransferSize(buffer.size() - done),
                        &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

bool File::Flush() {
    return IsUsable(*this) && ::FlushFileBuffers(AsHandle(handle_)) != 0;
}

void File::Close() {
    if (IsOpen()) {
        win32::CloseHandleKeepingLastError(AsHandle(std::exchange(handle_, kNoHandle)));
    }
}

} // namespace vg::platform
