// Registry text values through a zero-filled buffer, up to the first zero character.
#include "util/registry_text.h"

#include <cstdint>
#include <vector>

namespace vg::util {
namespace {

/// The buffer's bytes as UTF-16LE text up to the first zero character; nothing when the buffer
/// holds no zero character.
std::optional<std::u16string> TextUpToZero(const std::vector<std::uint8_t>& buffer) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
        const auto unit = static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8));
        if (unit == u'\0') {
            return text;
        }
        text += unit;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::u16string> ReadRegistryText(platform::RegistryHive hive,
                                               std::u16string_view subKey,
                                               std::u16string_view valueName,
                                               std::size_t bufferBytes) {
    std::vector<std::uint8_t> buffer(bufferBytes, 0);
    auto size = static_cast<std::uint32_t>(buffer.size());
    platform::RegistryKey key;
    std::uint32_t result = key.Open(hive, subKey, platform::kKeyRead);
    if (result == 0) {
        result = key.QueryValue(valueName, nullptr, buffer.data(), &size);
    }
    if (result != 0) {
        return std::nullopt;
    }
    return TextUpToZero(buffer);
}

} // namespace vg::util
