// The named mutex on Windows: CreateMutexW, held until its handle is closed. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/named_mutex.h"

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

#include <utility>

namespace vg::platform {

NamedMutex NamedMutex::Create(std::u16string_view name) {
    NamedMutex mutex;
    const HANDLE handle = ::CreateMutexW(nullptr, FALSE, win32::ToWide(name).c_str());
    if (handle == nullptr) {
        return mutex;
    }
    // Opening the mutex of another holder succeeds too; only the last error tells it apart. The
    // handle is kept then as well, as the holder's own would be.
    mutex.alreadyExisted_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
    mutex.handle_ = reinterpret_cast<std::intptr_t>(handle);
    return mutex;
}

void NamedMutex::Close() {
    if (handle_ != kNoHandle) {
        win32::CloseHandleKeepingLastError(
            reinterpret_cast<HANDLE>(std::exchange(handle_, kNoHandle)));
    }
}

} // namespace vg::platform
