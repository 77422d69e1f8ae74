// The collectors of the PC report: each asks the system for one thing and gives its text, or a
// fixed failure text when the system cannot tell; the drive texts are made from one walk.
#pragma once

#include "pcspec/fixed_drives.h"

#include <string>
#include <vector>

namespace vg::pcspec {

/// The operating system, as OsInfoText forms it; kOsInfoFailed when it cannot be read.
std::u16string GetOsInfoText();

/// The processor's name, trimmed; kCpuInfoFailed when it cannot be read.
std::u16string GetCpuInfoText();

/// The physical memory, as RamInfoText forms it; kRamInfoFailed when it cannot be read.
std::u16string GetRamInfoText();

/// The first display device's description, unchanged; kVgaInfoFailed when there is none.
std::u16string GetVgaInfoText();

/// One HarddiskGroup per fixed drive, the root in lower case, joined without a separator; empty
/// when there is none.
std::u16string HarddiskInfoText(const std::vector<FixedDrive>& drives);

/// The DirectX text for the registry's HKLM\SOFTWARE\Microsoft\DirectX "Version" on this Windows
/// version; kDirectXInfoFailed when either cannot be read.
std::u16string GetDirectXVersionText();

/// One FixedDriveEntry per fixed drive.
std::vector<std::u16string> FixedDriveList(const std::vector<FixedDrive>& drives);

} // namespace vg::pcspec
