// The fixed drives of the PC, found by walking the drive letters C to Z.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vg::pcspec {

/// One drive that takes part in the reports.
struct FixedDrive {
    char16_t letter = u'C'; ///< upper case
    std::uint64_t freeBytes = 0;

    /// "C:\" for drive C.
    [[nodiscard]] std::u16string Root() const;
};

/// The drive of an upper-case letter when it is a fixed drive that answers a free-space query.
std::optional<FixedDrive> FindFixedDrive(char16_t letter);

/// The drives C to Z, in this order, that FindFixedDrive finds; A and B are never examined.
std::vector<FixedDrive> FindFixedDrives();

} // namespace vg::pcspec
