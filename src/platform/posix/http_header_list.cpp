// Request header blocks and the WinHTTP modifiers that add or coalesce them.
#include "platform/posix/http_header_list.h"

#include "platform/http.h"

#include <algorithm>

namespace vg::platform::posix {
namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> SplitLines(std::string_view block) {
    std::vector<std::string_view> lines;
    while (!block.empty()) {
        const std::size_t end = block.find_first_of("\r\n");
        const std::string_view line = block.substr(0, end);
        if (!line.empty()) {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        block.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

std::string_view HeaderName(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

std::string_view HeaderValue(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return {};
    }
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && IsBlank(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && IsBlank(value.back())) {
        value.remove_suffix(1);
    }
    return value;
}

bool HeaderNameEquals(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool HttpHeaderList::AddBlock(std::string_view block, std::uint32_t modifiers) {
    const std::vector<std::string_view> lines = SplitLines(block);
    for (const std::string_view line : lines) {
        if (HeaderName(line).empty()) {
            return false;
        }
    }
    for (const std::string_view line : lines) {
        const std::string_view name = HeaderName(line);
        const auto existing =
            std::find_if(lines_.begin(), lines_.end(), [name](const std::string& present) {
                return HeaderNameEquals(HeaderName(present), name);
            });
        if ((modifiers & kHttpCoalesceWithSemicolon) != 0 && existing != lines_.end()) {
            existing->append("; ").append(HeaderValue(line));
        } else {
            lines_.emplace_back(line);
        }
    }
    return true;
}

bool HttpHeaderList::Contains(std::string_view name) const {
    return std::any_of(lines_.begin(), lines_.end(), [name](const std::string& line) {
        return HeaderNameEquals(HeaderName(line), name);
    });
}

} // namespace vg::platform::posix
