// A named, system-wide mutex that marks a running instance, as CreateMutexW gives one.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::platform {

/// Owns one handle of a named mutex; the handle is closed when the object goes.
/// Windows: CreateMutexW with default security, not initially owned.
/// Linux: an exclusive lock on the file "<name>.lock" in $XDG_RUNTIME_DIR (else in the
/// temporary directory, with the user id in the name), held while the handle is open. The lock's
/// descriptor is close-on-exec, so a started program never holds it.
class NamedMutex {
public:
    NamedMutex() = default;
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;
    NamedMutex(NamedMutex&& other) noexcept;
    NamedMutex& operator=(NamedMutex&& other) noexcept;
    ~NamedMutex();

    /// Creates the mutex, or opens it when another holder has it already (then AlreadyExisted()
    /// is true; on Linux the handle is not kept then, since nothing would be held). On failure
    /// the object holds no handle and the last error is set.
    static NamedMutex Create(std::u16string_view name);

    [[nodiscard]] bool IsHeld() const { return handle_ != kNoHandle; }
    [[nodiscard]] bool AlreadyExisted() const { return alreadyExisted_; }

    /// Closes the handle; another instance can then create the mutex.
    void Close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
    bool alreadyExisted_ = false;
};

} // namespace vg::platform
