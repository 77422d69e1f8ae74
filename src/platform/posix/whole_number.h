// Numbers in the text files and headers the Linux backend reads: the whole text, nothing around.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace vg::platform::posix {

/// The number the whole text spells in the base (digits only: no blanks, no "0x"); nothing for
/// an empty text, another character, or a value the type cannot hold.
template <typename Number>
std::optional<Number> ParseWholeNumber(std::string_view text, int base = 10) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace vg::platform::posix
