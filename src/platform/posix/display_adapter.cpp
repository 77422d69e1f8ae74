// The first DRM card's description, from its PCI ids or its driver's name.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/display_adapter.h"
#include "platform/posix/whole_number.h"

#include "platform/posix/system_description_text.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

namespace vg::platform::posix {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCardPrefix = "card";

/// N of a "cardN" entry; nothing for any other name, connectors ("card0-DP-1") among them.
std::optional<unsigned> CardNumber(std::string_view name) {
    if (!name.starts_with(kCardPrefix) || name.size() == kCardPrefix.size()) {
        return std::nullopt;
    }
    name.remove_prefix(kCardPrefix.size());
    return ParseWholeNumber<unsigned>(name);
}

std::optional<fs::path> FirstCard(const fs::path& drmFolder) {
    std::optional<fs::path> first;
    std::optional<unsigned> firstNumber;
    std::error_code error;
    for (fs::directory_iterator it(drmFolder, error), end; !error && it != end;
         it.increment(error)) {
        const std::optional<unsigned> number = CardNumber(it->path().filename().native());
        if (number && (!firstNumber || *number < *firstNumber)) {
            firstNumber = number;
            first = it->path();
        }
    }
    return first;
}

/// A sysfs id file such as "0x10de\n".
std::optional<std::uint16_t> ReadPciId(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    if (!std::getline(in, text) || !(text.starts_with("0x") || text.starts_with("0X"))) {
        return std::nullopt;
    }
    return ParseWholeNumber<std::uint16_t>(std::string_view(text).substr(2), 16);
}

std::string ReadWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string PciDescription(std::uint16_t vendor, std::uint16_t device, const fs::path& pciIdsFile) {
    if (std::optional<std::string> name =
            PciDeviceName(ReadWholeFile(pciIdsFile), vendor, device)) {
        return *name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "PCI %04x:%04x", static_cast<unsigned>(vendor),
                  static_cast<unsigned>(device));
    return text;
}

std::optional<std::string> DriverName(const fs::path& deviceFolder) {
    std::error_code error;
    const fs::path driver = fs::read_symlink(deviceFolder / "driver", error);
    if (error || driver.filename().empty()) {
        return std::nullopt;
    }
    return driver.filename().string();
}

} // namespace

std::optional<std::string> FirstDisplayCardDescription(const fs::path& sysRoot,
                                                       const fs::path& pciIdsFile) {
    const std::optional<fs::path> card = FirstCard(sysRoot / "class" / "drm");
    if (!card) {
        return std::nullopt;
    }
    const fs::path device = *card / "device";
    const std::optional<std::uint16_t> vendorId = ReadPciId(device / "vendor");
    const std::optional<std::uint16_t> deviceId = ReadPciId(device / "device");
    if (vendorId && deviceId) {
        return PciDescription(*vendorId, *deviceId, pciIdsFile);
    }
    return DriverName(device);
}

} // namespace vg::platform::posix
