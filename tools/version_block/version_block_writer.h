// Builds Windows version-information blocks (VS_VERSIONINFO), for the block the Linux program
// embeds in its own ELF file and for the PE images the tests write.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vg::tools {

/// One string table of the "StringFileInfo": its key is the language and code page as eight
/// lower-case hexadecimal digits.
struct VersionStringTable {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    /// (key, value) pairs in the order they are written.
    std::vector<std::pair<std::u16string, std::u16string>> strings;
};

/// What a version-information block holds.
struct VersionBlockSpec {
    /// The four 16-bit numbers of the file version (major, minor, build, revision).
    std::array<std::uint16_t, 4> fileVersion{};
    /// The four 16-bit numbers of the product version.
    std::array<std::uint16_t, 4> productVersion{};
    /// The string tables; with none, the "StringFileInfo" is left out.
    std::vector<VersionStringTable> stringTables;
    /// The (language, code page) pairs of "\VarFileInfo\Translation". Kept apart from the string
    /// tables so that a block can disagree with itself; without a value the "VarFileInfo" is
    /// left out, and an empty list gives a "Translation" with no entries.
    std::optional<std::vector<std::pair<std::uint16_t, std::uint16_t>>> translations;
};

/// The block in the little-endian UTF-16 layout of a version resource: every node starts on a
/// 32-bit boundary from the block start and carries wLength, wValueLength and wType. Throws
/// std::length_error when a node would be longer than its 16-bit length field can say.
std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockSpec& wanted);

} // namespace vg::tools
