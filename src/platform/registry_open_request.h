// The requests to open a registry key that every platform refuses before it looks for the key:
// keys are opened for reading only, in at most one view, by paths without empty names.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::platform {

/// SYNCHRONIZE and MAXIMUM_ALLOWED, which a reading open may carry as well.
inline constexpr std::uint32_t kKeySynchronize = 0x00100000;
inline constexpr std::uint32_t kKeyMaximumAllowed = 0x02000000;

/// 0 when an open of `subKey` with `access` may go on; else what RegistryKey::Open answers:
/// 87 for both view flags, 5 for more than reading, 2 for a path with an empty name in it (one
/// "\" at the end is allowed, as Windows allows it). Windows leaves some of these to the caller
/// and grants an administrator more than reading, so both backends check them here.
std::uint32_t CheckRegistryOpenRequest(std::u16string_view subKey, std::uint32_t access);

} // namespace vg::platform
