// Windows language identifiers for POSIX locale names.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::platform::posix {

/// The Windows language identifier (LANGID) of a locale name "language[_territory][.codeset]
/// [@modifier]": the codeset and modifier are ignored, a known language with a territory not
/// known (or none) gives that language's usual identifier, and "C", "POSIX", empty and unknown
/// names give 0x0409, English (United States).
std::uint16_t LanguageIdFromLocaleName(std::string_view name);

} // namespace vg::platform::posix
