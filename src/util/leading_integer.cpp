// Leading integers of texts, with a ceiling in place of overflow.
#include "util/leading_integer.h"

#include <algorithm>

namespace vg::util {

std::uint64_t ReadDecimalDigits(std::u16string_view text, std::uint64_t ceiling) {
    std::uint64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            break;
        }
        const auto digit = static_cast<std::uint64_t>(c - u'0');
        // Below the bound, value * 10 + digit cannot pass the ceiling, nor overflow.
        value = value > (ceiling - std::min(digit, ceiling)) / 10
                    ? ceiling
                    : std::min(value * 10 + digit, ceiling);
    }
    return value;
}

LeadingInteger ReadLeadingInteger(std::u16string_view text, std::uint64_t ceiling) {
    LeadingInteger integer;
    if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
        integer.negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    integer.magnitude = ReadDecimalDigits(text, ceiling);
    return integer;
}

} // namespace vg::util
