// What the test machine is, read by the tests themselves from /sys, /proc and os-release, so
// that the program's reports can be compared with the machine's own values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vg::test {

/// The address of the first network interface by name that is not a loopback and has a
/// non-zero address, as 12 lower-case hexadecimal digits; nothing when there is none.
std::optional<std::string> MachineMacText();

/// Whether the folder lies on a block device (a local disk or partition).
bool IsOnBlockDevice(const std::filesystem::path& folder);

/// Whether the disk under the folder (the whole disk for a partition) discards blocks (TRIM).
bool IsOnTrimDisk(const std::filesystem::path& folder);

/// os-release's PRETTY_NAME.
std::string OsPrettyName();

/// uname's kernel release.
std::string KernelRelease();

/// The first "model name" of /proc/cpuinfo, without white space at its ends.
std::string CpuModelName();

/// The physical memory in bytes.
std::uint64_t TotalMemoryBytes();

/// The free space of the folder's file system in whole MiB.
std::uint64_t FreeMebibytes(const std::filesystem::path& folder);

/// Whether the machine has a display adapter under /sys/class/drm.
bool HasDisplayAdapter();

} // namespace vg::test
