// The request headers a WinHTTP-style request collects: blocks of lines added with a modifier.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vg::platform::posix {

/// Header lines in the order they were added, each kept byte for byte ("Name:value").
class HttpHeaderList {
public:
    /// Adds every non-empty line of a "\r\n"-separated block. With the coalesce modifier a line
    /// whose name is already present is merged into that header as "; value"; otherwise it is
    /// added. False, with nothing added, when a line has no name.
    bool AddBlock(std::string_view block, std::uint32_t modifiers);

    /// True when a header of this name (any letter case) is present.
    [[nodiscard]] bool Contains(std::string_view name) const;

    [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

/// The name part of a header line, before its colon; empty when there is none.
std::string_view HeaderName(std::string_view line);

/// The value part of a header line, without the blanks around it.
std::string_view HeaderValue(std::string_view line);

/// Header names compare without regard to letter case.
bool HeaderNameEquals(std::string_view a, std::string_view b);

} // namespace vg::platform::posix
