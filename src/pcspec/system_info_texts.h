// The texts of the PC report, made from the values the system gives: the formats,
// the failure texts, and the rules that name Windows 11 and the DirectX generation.
#pragma once

#include "platform/system_info.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vg::pcspec {

inline constexpr std::u16string_view kOsInfoFailed = u"OS information load failed.";
inline constexpr std::u16string_view kCpuInfoFailed = u"CPU information load failed.";
inline constexpr std::u16string_view kRamInfoFailed = u"RAM information load failed.";
inline constexpr std::u16string_view kVgaInfoFailed = u"VGA information load failed.";
inline constexpr std::u16string_view kDirectXInfoFailed =
    u"DirectX version information load failed.";

/// "<product> <64 bit|32 bit> (Build <build>)". A product that names "Windows 10" on build 22000
/// or later (the build's leading digits) is Windows 11: every "Windows 10" in it is renamed.
std::u16string OsInfoText(std::u16string productName, std::u16string_view build, bool is64Bit);

/// The processor's name without white space at either end.
std::u16string CpuInfoText(std::u16string processorName);

/// The memory in MiB, rounded up to an even number, as "<n>MB".
std::u16string RamInfoText(std::uint64_t totalBytes);

/// Whole MiB of a byte count, truncated.
std::uint64_t WholeMebibytes(std::uint64_t bytes);

/// The report's group for one drive: "[c:\ - 102400MB]", the root as given.
std::u16string HarddiskGroup(std::u16string_view root, std::uint64_t freeMebibytes);

/// The drive list's entry for one drive: "C:\|102400", the root in upper case.
std::u16string FixedDriveEntry(std::u16string_view root, std::uint64_t freeMebibytes);

/// The Windows generation that decides between DirectX texts: 10 for Windows 10 and later, 6, 7
/// and 8 for Vista, 7 and 8 (8.1 too), 0 for anything else.
int WindowsGeneration(platform::OsVersion version);

/// The DirectX text for the registry's DirectX "Version" text on a Windows generation.
std::u16string DirectXVersionText(std::u16string_view registryVersion, int windowsGeneration);

} // namespace vg::pcspec
