// The first display adapter as sysfs lists it under class/drm, named from the PCI id database.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vg::platform::posix {

/// The description of the first DRM card ("<sysRoot>/class/drm/card<N>" with the lowest N;
/// connector entries such as "card0-HDMI-A-1" are not cards). A PCI card (its device has
/// "vendor" and "device" files) is named "<vendor> <device>" from the pci.ids file, else
/// "PCI <vendor>:<device>" in four hexadecimal digits each; any other card by the name of its
/// device's driver. Nothing when there is no card or the first one tells neither.
std::optional<std::string> FirstDisplayCardDescription(const std::filesystem::path& sysRoot,
                                                       const std::filesystem::path& pciIdsFile);

} // namespace vg::platform::posix
