// The report's collectors: the system's answers turned into the report's texts.
#include "pcspec/system_info_collectors.h"

#include "pcspec/system_info_texts.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "util/registry_text.h"
#include "util/wide_text.h"

#include <cstddef>
#include <optional>

namespace vg::pcspec {
namespace {

constexpr std::u16string_view kDirectXKey = u"SOFTWARE\\Microsoft\\DirectX";
constexpr std::size_t kDirectXVersionBufferBytes = 520;

} // namespace

std::u16string GetOsInfoText() {
    const std::optional<platform::OsProduct> product = platform::GetOsProduct();
    if (!product) {
        return std::u16string(kOsInfoFailed);
    }
    return OsInfoText(product->productName, product->build, platform::IsOs64Bit());
}

std::u16string GetCpuInfoText() {
    std::optional<std::u16string> name = platform::GetProcessorName();
    return name ? CpuInfoText(std::move(*name)) : std::u16string(kCpuInfoFailed);
}

std::u16string GetRamInfoText() {
    const std::optional<std::uint64_t> totalBytes = platform::GetTotalPhysicalMemory();
    return totalBytes ? RamInfoText(*totalBytes) : std::u16string(kRamInfoFailed);
}

std::u16string GetVgaInfoText() {
    std::optional<std::u16string> description = platform::GetFirstDisplayDeviceDescription();
    return description ? std::move(*description) : std::u16string(kVgaInfoFailed);
}

std::u16string HarddiskInfoText(const std::vector<FixedDrive>& drives) {
    std::u16string text;
    for (const FixedDrive& drive : drives) {
        text += HarddiskGroup(util::ToLowerAscii(drive.Root()), WholeMebibytes(drive.freeBytes));
    }
    return text;
}

std::u16string GetDirectXVersionText() {
    const std::optional<platform::OsVersion> version = platform::GetOsVersion();
    if (!version) {
        return std::u16string(kDirectXInfoFailed);
    }
    const std::optional<std::u16string> registryVersion = util::ReadRegistryText(
        platform::RegistryHive::LocalMachine, kDirectXKey, u"Version", kDirectXVersionBufferBytes);
    if (!registryVersion) {
        return std::u16string(kDirectXInfoFailed);
    }
    return DirectXVersionText(*registryVersion, WindowsGeneration(*version));
}

std::vector<std::u16string> FixedDriveList(const std::vector<FixedDrive>& drives) {
    std::vector<std::u16string> list;
    for (const FixedDrive& drive : drives) {
        list.push_back(FixedDriveEntry(drive.Root(), WholeMebibytes(drive.freeBytes)));
    }
    return list;
}

} // namespace vg::pcspec
