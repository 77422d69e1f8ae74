// Reading a Range request header against the size of the file it asks for.
#include "sandbox/range_header.h"

#include <charconv>
#include <optional>

namespace vg::sandbox {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

/// A decimal number that fills the whole text; none when empty, not a number or too large.
std::optional<std::uint64_t> ParseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

RangeRequest Partial(std::uint64_t first, std::uint64_t last) {
    return {RangeRequest::Kind::Partial, ByteRange{first, last - first + 1}};
}

RangeRequest Unsatisfiable() {
    return {RangeRequest::Kind::Unsatisfiable, {}};
}

RangeRequest SuffixRange(std::string_view lengthText, std::uint64_t size) {
    const auto length = ParseNumber(lengthText);
    if (!length) {
        return {};
    }
    if (*length == 0 || size == 0) {
        return Unsatisfiable();
    }
    const std::uint64_t first = *length >= size ? 0 : size - *length;
    return Partial(first, size - 1);
}

} // namespace

RangeRequest ParseRange(std::string_view header, std::uint64_t size) {
    constexpr std::string_view kUnit = "bytes=";
    header = Trim(header);
    if (header.substr(0, kUnit.size()) != kUnit) {
        return {};
    }
    const std::string_view range = Trim(header.substr(kUnit.size()));
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos || range.find(',') != std::string_view::npos) {
        return {};
    }
    const std::string_view firstText = Trim(range.substr(0, dash));
    const std::string_view lastText = Trim(range.substr(dash + 1));
    if (firstText.empty()) {
        return SuffixRange(lastText, size);
    }
    const auto first = ParseNumber(firstText);
    const auto last =
        lastText.empty() ? std::optional<std::uint64_t>(UINT64_MAX) : ParseNumber(lastText);
    if (!first || !last || *last < *first) {
        return {};
    }
    if (*first >= size) {
        return Unsatisfiable();
    }
    return Partial(*first, *last >= size ? size - 1 : *last);
}

} // namespace vg::sandbox
