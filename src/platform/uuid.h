// Time-based UUIDs, as UuidCreateSequential makes them, and their text form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vg::platform {

/// The UUID was made from the time and a network adapter's address.
inline constexpr std::uint32_t kRpcSOk = 0;
/// No adapter address was found: the UUID is unique on this computer only.
inline constexpr std::uint32_t kRpcSUuidLocalOnly = 1824;

/// A UUID laid out as the Windows GUID: three numbers, then eight bytes.
struct Uuid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    friend bool operator==(const Uuid&, const Uuid&) = default;
};

/// A version-1 UUID, as UuidCreateSequential makes it: the 60-bit count of 100-ns intervals
/// since 1582-10-15 in data1, data2 and the low 12 bits of data3 (version 1 above them), a
/// 14-bit clock sequence with the variant bits 10 in data4[0..1], and a 48-bit node in
/// data4[2..7]. The count rises with every UUID the process makes. kRpcSOk when the node is a
/// network adapter's address; kRpcSUuidLocalOnly when none was found, the node then being a
/// random number with the multicast bit set, made once per process.
/// Linux: the address of the first interface, by name, under /sys/class/net that is not a
/// loopback (type 772 or the name "lo") and has a non-zero six-byte address; the clock sequence
/// is random, chosen once per process.
std::uint32_t CreateSequentialUuid(Uuid& uuid);

/// The text form UuidToStringA gives: lower-case hexadecimal in 8-4-4-4-12 groups.
std::string FormatUuid(const Uuid& uuid);

} // namespace vg::platform
