// The sequential UUID on Linux, with the folder of network interfaces as a parameter for tests.
#pragma once

#include "platform/uuid.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace vg::platform::posix {

/// A network adapter's hardware address, as the node of a version-1 UUID carries it.
using NodeAddress = std::array<std::uint8_t, 6>;

/// The address of the first interface, in the byte order of the names, in `netRoot` (a folder
/// laid out as /sys/class/net) that is not a loopback (type 772 or the name "lo") and whose
/// "address" is six non-zero bytes written as "xx:xx:xx:xx:xx:xx". Nothing when there is none
/// or the folder cannot be read.
std::optional<NodeAddress> FirstAdapterAddress(const std::filesystem::path& netRoot);

/// CreateSequentialUuid with the interfaces read from `netRoot`.
std::uint32_t CreateSequentialUuidFrom(const std::filesystem::path& netRoot, Uuid& uuid);

} // namespace vg::platform::posix
