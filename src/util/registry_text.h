// Text values read from the registry into a fixed buffer, the way the program's lookups read them.
#pragma once

#include "platform/registry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vg::util {

/// Opens the key below the hive with kKeyRead and reads the value into a zero-filled buffer of
/// `bufferBytes` bytes. The value's type is not looked at: its bytes are taken as UTF-16LE text up
/// to the first zero character. Nothing when the key or value is missing or unreadable, when the
/// value does not fit the buffer, or when it fills the buffer without a zero character.
std::optional<std::u16string> ReadRegistryText(platform::RegistryHive hive,
                                               std::u16string_view subKey,
                                               std::u16string_view valueName,
                                               std::size_t bufferBytes);

} // namespace vg::util
