// A kernel handle owned by one object and closed when it goes. Win32 only.
#pragma once

#ifndef _WIN32
#error "Win32 backend only"
#endif

#include <windows.h>

#include <utility>

namespace vg::platform::win32 {

/// Closes a handle and keeps the thread's last error, so that a failure read afterwards is
/// still the one of the call the caller made, not of the close.
inline void CloseHandleKeepingLastError(HANDLE handle) {
    const DWORD lastError = ::GetLastError();
    ::CloseHandle(handle);
    ::SetLastError(lastError);
}

/// Owns a handle from a call that reports failure as either NULL or INVALID_HANDLE_VALUE, and
/// closes it with CloseHandleKeepingLastError.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    [[nodiscard]] bool IsValid() const {
        return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE;
    }
    explicit operator bool() const { return IsValid(); }
    [[nodiscard]] HANDLE Get() const { return handle_; }

    /// Gives the handle up without closing it.
    HANDLE Release() { return std::exchange(handle_, nullptr); }

    void Reset(HANDLE handle = nullptr) {
        if (IsValid()) {
            CloseHandleKeepingLastError(handle_);
        }
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace vg::platform::win32
