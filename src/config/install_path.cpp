// The install-path lookup: each configured registry path in order, the first non-empty one wins.
#include "config/install_path.h"

#include "platform/registry.h"
#include "util/wide_text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace vg::config {
namespace {

constexpr std::size_t kBufferBytes = 5200;
constexpr std::u16string_view kValueName = u"InstallPath";

struct HiveName {
    std::u16string_view name;
    platform::RegistryHive hive;
};

constexpr std::array<HiveName, 4> kHiveNames = {{
    {u"HKCR", platform::RegistryHive::ClassesRoot},
    {u"HKCU", platform::RegistryHive::CurrentUser},
    {u"HKLM", platform::RegistryHive::LocalMachine},
    {u"HKU", platform::RegistryHive::Users},
}};

platform::RegistryHive HiveForRoot(std::u16string_view registryRoot) {
    for (const HiveName& entry : kHiveNames) {
        if (util::EqualsIgnoreAsciiCase(registryRoot, entry.name)) {
            return entry.hive;
        }
    }
    return platform::RegistryHive::CurrentUser;
}

using ValueBuffer = std::array<std::uint8_t, kBufferBytes>;

/// The buffer's bytes as UTF-16LE text up to the first zero character; nullopt when the buffer
/// holds no zero character, as a value filling it without its terminator does.
std::optional<std::u16string> TextUpToZero(const ValueBuffer& buffer) {
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

/// The value's text under one key; nullopt when the key or value is missing or unreadable.
std::optional<std::u16string> ReadInstallPath(platform::RegistryHive hive,
                                              std::u16string_view path) {
    ValueBuffer buffer{};
    auto size = static_cast<std::uint32_t>(buffer.size());
    platform::RegistryKey key;
    std::uint32_t result = key.Open(hive, path, platform::kKeyRead);
    if (result == 0) {
        result = key.QueryValue(kValueName, nullptr, buffer.data(), &size);
    }
    key.Close();
    if (result != 0) {
        return std::nullopt;
    }
    return TextUpToZero(buffer);
}

} // namespace

int FindInstallPath(std::u16string_view registryRoot,
                    const std::vector<std::u16string>& registryPaths, std::u16string& installPath) {
    const platform::RegistryHive hive = HiveForRoot(registryRoot);
    installPath.clear();
    for (const std::u16string& path : registryPaths) {
        std::optional<std::u16string> text = ReadInstallPath(hive, path);
        if (!text) {
            continue;
        }
        installPath = std::move(*text);
        if (!installPath.empty()) {
            return 1;
        }
    }
    return 0;
}

} // namespace vg::config
