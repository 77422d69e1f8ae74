// The user's language, as Windows identifies languages (LANGID).
#pragma once

#include <cstdint>

namespace vg::platform {

/// The user's default language as a Windows language identifier (0x0412 Korean, 0x0409 English
/// (United States), ...).
/// Linux: taken from the locale name in LC_ALL, else LC_MESSAGES, else LANG (empty values are
/// skipped); the C and POSIX locales and names not known give 0x0409.
std::uint16_t GetUserDefaultLangId();

} // namespace vg::platform
