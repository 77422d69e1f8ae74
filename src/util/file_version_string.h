// One text of a file's version information ("ProductVersion" and the like), in the language
// that suits the user best.
#pragma once

#include "util/version_info_block.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vg::util {

/// The translation whose strings are read for a user of `userLanguage`: the first entry of the
/// table that has the user's language; else the first with the user's primary language (the low
/// 8 bits); else the first language-neutral one (0, then low 8 bits 0); else the first English
/// one (0x0009, then low 8 bits 0x09); else the first entry. Nothing for an empty table.
std::optional<VersionTranslation> ChooseTranslation(std::span<const VersionTranslation> table,
                                                    std::uint16_t userLanguage);

/// The text `key` of the block's string table for the chosen translation, up to its terminating
/// zero. `key` must be one of the standard names, spelled exactly: "CompanyName",
/// "FileDescription", "FileVersion", "InternalName", "LegalCopyright", "OriginalFileName",
/// "ProductName", "ProductVersion", "Comments", "LegalTrademarks", "PrivateBuild",
/// "SpecialBuild". Empty for any other key, a block without translations, or a missing text.
std::u16string GetVersionString(std::span<const std::uint8_t> block, std::u16string_view key,
                                std::uint16_t userLanguage);

/// GetVersionString on the version information of the file at `path`, for the user's default
/// language; empty when the file has no version information or cannot be read.
std::u16string GetFileVersionString(std::u16string_view path, std::u16string_view key);

} // namespace vg::util
