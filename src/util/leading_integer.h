// The integer at the start of a text, read the way the C library's wcstol family reads it once
// its leading blanks are passed, with a ceiling instead of overflow.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::util {

/// The decimal digits 0-9 at the start of the text as a number that stops growing at `ceiling`;
/// 0 when the text does not start with a digit.
std::uint64_t ReadDecimalDigits(std::u16string_view text, std::uint64_t ceiling);

struct LeadingInteger {
    bool negative = false;
    std::uint64_t magnitude = 0; ///< at most the ceiling it was read with
};

/// An optional "+" or "-" at the start of the text and the decimal digits after it.
LeadingInteger ReadLeadingInteger(std::u16string_view text, std::uint64_t ceiling);

} // namespace vg::util
