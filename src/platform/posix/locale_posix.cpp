// The user's language on Linux, from the locale environment variables. POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/locale.h"

#include "platform/posix/locale_language_id.h"

#include <cstdlib>
#include <string_view>

namespace vg::platform {

std::uint16_t GetUserDefaultLangId() {
    // The order in which setlocale(LC_MESSAGES, "") would consult them.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* const value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return posix::LanguageIdFromLocaleName(value);
        }
    }
    return posix::LanguageIdFromLocaleName("");
}

} // namespace vg::platform
