// Readers of the texts the system describes itself with: os-release, /proc/cpuinfo, the PCI id
// database, a drive's serial file and the kernel's machine name. Pure functions of their input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vg::platform::posix {

/// The value of a key in os-release text (KEY=value lines; values unquoted, in double quotes
/// with backslash escapes, or in single quotes taken literally; '#' comments and blank lines
/// skipped). The last assignment wins; nothing when the key is not assigned.
std::optional<std::string> OsReleaseValue(std::string_view text, std::string_view key);

/// The system's name from os-release text: PRETTY_NAME, else NAME, else "Linux"; an empty value
/// counts as none.
std::string OsNameFromOsRelease(std::string_view text);

/// The processor's name from /proc/cpuinfo text: the value of the first "model name" line, else
/// of the first "Processor", "cpu model" or "cpu" line, in that order of preference. Keys are
/// matched exactly ("processor", the index line on x86, is not "Processor"); the blanks after
/// the ':' are skipped and the rest of the line is kept as it stands.
std::optional<std::string> ProcessorNameFromCpuInfo(std::string_view text);

/// "<vendor> <device>" for a PCI vendor and device id, named by pci.ids text; nothing when
/// either is not listed there.
std::optional<std::string> PciDeviceName(std::string_view pciIds, std::uint16_t vendor,
                                         std::uint16_t device);

/// The serial number in a drive's ".windows-serial" file: hexadecimal, with an optional "0x"
/// and white space around it; nothing when the text is not such a number or exceeds 32 bits.
std::optional<std::uint32_t> ParseVolumeSerialText(std::string_view text);

/// Whether a kernel machine name (uname -m) is that of a 64-bit architecture.
bool IsSixtyFourBitMachine(std::string_view machine);

} // namespace vg::platform::posix
