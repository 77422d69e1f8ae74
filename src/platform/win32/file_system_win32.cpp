// Files and folders by path on Windows: DeleteFileW, MoveFileExW, GetFileAttributesW,
// CreateDirectoryW, GetTempPathW and SetCurrentDirectoryW. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/file_system.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

#include <string>

namespace vg::platform {

bool RemoveFile(std::u16string_view path) {
    return ::DeleteFileW(win32::ToWide(path).c_str()) != 0;
}

bool MoveFileReplacing(std::u16string_view from, std::u16string_view to) {
    // Without MOVEFILE_COPY_ALLOWED a move to another volume fails instead of copying, so the
    // target is never a half-written copy; write-through makes the move durable on return.
    return ::MoveFileExW(win32::ToWide(from).c_str(), win32::ToWide(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FileExists(std::u16string_view path) {
    return ::GetFileAttributesW(win32::ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(win32::ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(std::u16string_view path) {
    return ::CreateDirectoryW(win32::ToWide(path).c_str(), nullptr) != 0;
}

std::u16string TemporaryDirectory() {
    // GetTempPathW gives the length it needs when the buffer is too small; the variables it
    // reads may change in between, hence the loop.
    std::wstring directory(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD length = ::GetTempPathW(static_cast<DWORD>(directory.size()), directory.data());
        if (length == 0) {
            return {};
        }
        if (length < directory.size()) {
            directory.resize(length);
            return win32::FromWide(directory);
        }
        directory.resize(length + 1);
    }
}

bool ChangeCurrentDirectory(std::u16string_view path) {
    return ::SetCurrentDirectoryW(win32::ToWide(path).c_str()) != 0;
}

bool MarkExecutable(std::u16string_view /*path*/) {
    return true;
}

} // namespace vg::platform
