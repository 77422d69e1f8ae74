// Registry keys read through RegOpenKeyExW and RegQueryValueExW. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/registry.h"

#include "platform/error_codes.h"
#include "platform/registry_open_request.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vg::platform {
namespace {

/// The predefined handle of a hive: its 32-bit value sign-extended, as windows.h defines
/// HKEY_LOCAL_MACHINE and the others, so that the 64-bit build gets the same handles.
HKEY HiveHandle(RegistryHive hive) {
    const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(hive));
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(value));
}

} // namespace

struct RegistryKey::State {
    HKEY key = nullptr;

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        if (key != nullptr) {
            ::RegCloseKey(key);
        }
    }
};

RegistryKey::RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;
RegistryKey::~RegistryKey() = default;

std::uint32_t RegistryKey::Open(RegistryHive hive, std::u16string_view subKey,
                                std::uint32_t access) {
    Close();
    if (const std::uint32_t refused = CheckRegistryOpenRequest(subKey, access); refused != 0) {
        return refused;
    }
    auto state = std::make_unique<State>();
    const LSTATUS result =
        ::RegOpenKeyExW(HiveHandle(hive), win32::ToWide(subKey).c_str(), 0, access, &state->key);
    if (result != ERROR_SUCCESS) {
        return static_cast<std::uint32_t>(result);
    }
    state_ = std::move(state);
    return kErrorSuccess;
}

std::uint32_t RegistryKey::QueryValue(std::u16string_view valueName, std::uint32_t* type,
                                      std::uint8_t* data, std::uint32_t* dataSize) const {
    if (!state_) {
        return kErrorInvalidHandle;
    }
    if (data != nullptr && dataSize == nullptr) {
        return kErrorInvalidParameter;
    }
    // Windows may leave part of a value in a buffer that is too small; reading into a buffer of
    // our own leaves the caller's as it was. It is never empty, as an empty one would ask for the
    // size alone.
    std::vector<BYTE> bytes(data != nullptr ? std::max<std::size_t>(*dataSize, 1) : 0);
    DWORD valueType = REG_NONE;
    DWORD size = dataSize != nullptr ? *dataSize : 0;
    const LSTATUS result = ::RegQueryValueExW(
        state_->key, win32::ToWide(valueName).c_str(), nullptr, &valueType,
        data != nullptr ? bytes.data() : nullptr, dataSize != nullptr ? &size : nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
        return static_cast<std::uint32_t>(result);
    }
    if (type != nullptr) {
        *type = valueType;
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    if (result == ERROR_SUCCESS && data != nullptr && size > 0) {
        std::memcpy(data, bytes.data(), size);
    }
    return static_cast<std::uint32_t>(result);
}

void RegistryKey::Close() {
    state_.reset();
}

} // namespace vg::platform
