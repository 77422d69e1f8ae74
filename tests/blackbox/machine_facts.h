// What the test machine is, read by the tests themselves, so that the program's reports can be
// compared with the machine's own values: on Linux from /sys, /proc and os-release; for the
// Windows program, as Wine reports it to a Windows probe program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vg::test {

struct FixedDrive {
    char letter = 'c'; ///< lower case
    std::uint64_t freeMebibytes = 0;
    bool trim = false; ///< its disk discards blocks (TRIM)
};

struct MachineFacts {
    /// The MAC text of the adapter the program should name; none when the machine has none.
    std::optional<std::string> macText;
    /// The volume serial of the drive of the Windows directory; 0 when that drive is not a
    /// fixed one.
    std::uint32_t systemVolumeSerial = 0;
    /// The report's "os" text: name, "64 bit" or "32 bit", and the build.
    std::string osText;
    std::string cpuName;
    bool hasDisplayAdapter = false;
    /// The adapter's name when the machine's own sources give it.
    std::optional<std::string> displayAdapterName;
    std::uint64_t totalMemoryBytes = 0;
    std::vector<FixedDrive> fixedDrives;
};

/// The Linux machine, with the drives of a test prefix by letter and folder: a drive counts as
/// fixed when its folder lies on a block device, and drive C's serial is the one Wine keeps in
/// the file ".windows-serial" at its root.
MachineFacts LinuxMachineFacts(const std::map<char, std::filesystem::path>& drives);

/// The facts the Windows probe printed ("key=value" lines).
MachineFacts ParseWindowsMachineFacts(std::string_view probeOutput);

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
