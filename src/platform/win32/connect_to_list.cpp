// Reading and applying the connect-to routing list; standard C++ only.
#include "platform/win32/connect_to_list.h"

#include <algorithm>

namespace vg::platform::win32 {
namespace {

constexpr std::size_t kFieldsPerEntry = 4;

/// The entry's fields, split at the colons outside brackets; none when a bracket is unclosed or
/// is not a whole field.
std::optional<std::vector<std::u16string_view>> SplitFields(std::u16string_view entry) {
    std::vector<std::u16string_view> fields;
    std::size_t start = 0;
    std::size_t at = 0;
    while (at <= entry.size()) {
        if (at < entry.size() && entry[at] == u'[' && at == start) {
            const std::size_t close = entry.find(u']', at);
            if (close == std::u16string_view::npos) {
                return std::nullopt;
            }
            at = close + 1;
            if (at < entry.size() && entry[at] != u':') {
                return std::nullopt;
            }
            continue;
        }
        if (at == entry.size() || entry[at] == u':') {
            fields.push_back(entry.substr(start, at - start));
            start = at + 1;
        }
        ++at;
    }
    return fields;
}

/// A port field: empty means "any" or "keep"; otherwise decimal digits for 1 to 65535.
bool ParsePortField(std::u16string_view field, std::optional<std::uint16_t>& port) {
    port.reset();
    if (field.empty()) {
        return true;
    }
    std::uint32_t value = 0;
    for (const char16_t c : field) {
        if (c < u'0' || c > u'9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
        if (value > 0xFFFF) {
            return false;
        }
    }
    if (value == 0) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

std::u16string WithoutBrackets(std::u16string_view address) {
    if (address.size() >= 2 && address.front() == u'[' && address.back() == u']') {
        address = address.substr(1, address.size() - 2);
    }
    return std::u16string(address);
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameHostName(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(
        a, b, [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

} // namespace

std::optional<ConnectToList::Entry> ConnectToList::ParseEntry(std::u16string_view entry) {
    const auto fields = SplitFields(entry);
    if (!fields || fields->size() != kFieldsPerEntry) {
        return std::nullopt;
    }
    Entry parsed;
    parsed.host = (*fields)[0];
    parsed.address = WithoutBrackets((*fields)[2]);
    if (!ParsePortField((*fields)[1], parsed.port) ||
        !ParsePortField((*fields)[3], parsed.addressPort)) {
        return std::nullopt;
    }
    return parsed;
}

ConnectToList ConnectToList::Parse(std::u16string_view list) {
    ConnectToList parsed;
    while (!list.empty()) {
        const std::size_t comma = list.find(u',');
        const std::u16string_view entry = list.substr(0, comma);
        if (std::optional<Entry> read = ParseEntry(entry)) {
            parsed.entries_.push_back(std::move(*read));
        }
        list.remove_prefix(comma == std::u16string_view::npos ? list.size() : comma + 1);
    }
    return parsed;
}

ConnectTarget ConnectToList::Route(std::u16string_view host, std::uint16_t port) const {
    for (const Entry& entry : entries_) {
        const bool hostMatches = entry.host.empty() || SameHostName(entry.host, host);
        const bool portMatches = !entry.port || *entry.port == port;
        const bool changesSomething = !entry.address.empty() || entry.addressPort;
        if (hostMatches && portMatches && changesSomething) {
            return {entry.address.empty() ? std::u16string(host) : entry.address,
                    entry.addressPort.value_or(port)};
        }
    }
    return {std::u16string(host), port};
}

} // namespace vg::platform::win32
