// Queries into a version-information block (VS_VERSIONINFO), answered as VerQueryValueW answers
// them, from bytes that may be damaged or hostile.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vg::util {

/// One entry of "\VarFileInfo\Translation": a language and the code page of its strings.
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;

    friend bool operator==(const VersionTranslation&, const VersionTranslation&) = default;
};

/// What a node of the block holds.
enum class VersionValueType : std::uint16_t {
    kBinary = 0,
    kText = 1,
};

/// The value of a node, pointing into the block.
struct VersionValue {
    VersionValueType type = VersionValueType::kBinary;
    /// Binary: wValueLength bytes. Text: the UTF-16LE units before the terminating zero (or up
    /// to the end of the node when it has none), whatever wValueLength says.
    std::span<const std::uint8_t> bytes;
};

/// The value of the node that `path` names: "\" is the root (its VS_FIXEDFILEINFO), and
/// "\StringFileInfo\041204b0\ProductVersion" walks child by child, names compared without
/// regard to the case of A-Z. Nothing when there is no such node, or the block is damaged on
/// the way to it (a length past the block or past the parent, a node too short for its
/// header and name, a binary value past its node).
std::optional<VersionValue> QueryVersionValue(std::span<const std::uint8_t> block,
                                              std::u16string_view path);

/// The text of the text node that `path` names; nothing when there is none or it is binary.
std::optional<std::u16string> QueryVersionText(std::span<const std::uint8_t> block,
                                               std::u16string_view path);

/// The entries of "\VarFileInfo\Translation" (4 bytes each, a trailing partial entry ignored);
/// empty when it is missing, empty or damaged.
std::vector<VersionTranslation> QueryVersionTranslations(std::span<const std::uint8_t> block);

} // namespace vg::util
