// The install-path lookup: each configured registry path in order, the first non-empty one wins.
#include "config/install_path.h"

#include "platform/registry.h"
#include "util/registry_text.h"
#include "util/wide_text.h"

#include <array>
#include <cstddef>
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

std::optional<platform::RegistryHive> HiveNamed(std::u16string_view registryRoot) {
    for (const HiveName& entry : kHiveNames) {
        if (util::EqualsIgnoreAsciiCase(registryRoot, entry.name)) {
            return entry.hive;
        }
    }
    return std::nullopt;
}

} // namespace

bool NamesRegistryHive(std::u16string_view registryRoot) {
    return HiveNamed(registryRoot).has_value();
}

int FindInstallPath(std::u16string_view registryRoot,
                    const std::vector<std::u16string>& registryPaths, std::u16string& installPath) {
    const platform::RegistryHive hive =
        HiveNamed(registryRoot).value_or(platform::RegistryHive::CurrentUser);
    installPath.clear();
    for (const std::u16string& path : registryPaths) {
        std::optional<std::u16string> text =
            util::ReadRegistryText(hive, path, kValueName, kBufferBytes);
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
