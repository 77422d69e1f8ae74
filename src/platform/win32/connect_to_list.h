// The routing list of $VARNUGAMES_CONNECT_TO in curl's --connect-to form, for the Windows
// transport; standard C++ only, so it is tested on every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vg::platform::win32 {

/// Where a connection goes: a host name or address, and a port.
struct ConnectTarget {
    std::u16string host;
    std::uint16_t port = 0;

    bool operator==(const ConnectTarget&) const = default;
};

/// A comma-separated list of HOST:PORT:ADDRESS:PORT entries with the meaning of curl's
/// --connect-to: a connection to HOST on PORT goes to ADDRESS on the second PORT instead. An
/// empty HOST or PORT matches any; an empty ADDRESS or second PORT keeps the original. Host names
/// compare without regard to ASCII letter case; an IPv6 address is written in brackets
/// ("[::1]") and routed to without them. As with curl, the first entry that matches and changes
/// something decides, and nothing around the fields is trimmed.
///
/// Bad entries are ignored and the rest of the list still applies: an entry without exactly four
/// fields, with an unclosed bracket, or with a port that is not a decimal number from 1 to 65535.
/// (curl fails the transfer when it meets such an entry; a mistyped routing entry should not
/// stop unrelated connections.)
class ConnectToList {
public:
    /// An empty list routes nothing.
    static ConnectToList Parse(std::u16string_view list);

    /// Where a connection to the host on the port goes: the original when no entry applies.
    [[nodiscard]] ConnectTarget Route(std::u16string_view host, std::uint16_t port) const;

private:
    struct Entry {
        std::u16string host;                      ///< empty: any host
        std::optional<std::uint16_t> port;        ///< none: any port
        std::u16string address;                   ///< empty: the original host
        std::optional<std::uint16_t> addressPort; ///< none: the original port
    };

    static std::optional<Entry> ParseEntry(std::u16string_view entry);

    std::vector<Entry> entries_;
};

} // namespace vg::platform::win32
