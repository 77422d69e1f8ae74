// The HTTP client service, shaped like WinHTTP: a session, a connection to one host and port, and
// one request on it that is sent, received and read in chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vg::platform {

/// Request flags, with WinHTTP's values.
inline constexpr std::uint32_t kHttpFlagSecure = 0x00800000;  // WINHTTP_FLAG_SECURE
inline constexpr std::uint32_t kHttpFlagRefresh = 0x00000100; // WINHTTP_FLAG_REFRESH

/// Header modifiers, with WinHTTP's values.
inline constexpr std::uint32_t kHttpAddHeader = 0x20000000; // WINHTTP_ADDREQ_FLAG_ADD
inline constexpr std::uint32_t kHttpCoalesceWithSemicolon = 0x01000000;

/// Time-outs in milliseconds; 0 waits without limit. The defaults are WinHTTP's.
struct HttpTimeouts {
    int resolveMs = 0;
    int connectMs = 60000;
    int sendMs = 30000;
    int receiveMs = 30000;
};

class HttpConnection;
class HttpRequest;

/// The settings every connection of the session shares. Every failure of this service sets the
/// last error to a WinHTTP or system error number (12002 time-out, 12007 name not resolved, 12029
/// cannot connect, 12030 connection lost, 12150 header not found, 12156 redirect refused, 12175
/// TLS or certificate failure).
/// Linux: libcurl with the system trust store ($SSL_CERT_FILE and $SSL_CERT_DIR honoured), the
/// proxy variables, and $VARNUGAMES_CONNECT_TO (curl's --connect-to list HOST:PORT:ADDRESS:PORT)
/// routing connections while the host name, SNI, Host header and certificate check stay the
/// requested host's.
/// Windows: WinHTTP. It has no connect-to, so a routed connection goes to the mapped address and
/// port, and the server's certificate must be valid for that address; no certificate error is
/// ever ignored. The transport follows redirects itself, by WinHTTP's default rules, so that
/// each new location is routed too.
class HttpSession {
public:
    /// WinHttpOpen with the default proxy configuration and synchronous operation.
    static std::optional<HttpSession> Open(std::u16string_view userAgent);

    /// Allows exactly TLS 1.2.
    bool RestrictToTls12();
    bool SetTimeouts(const HttpTimeouts& timeouts);

    HttpSession(HttpSession&&) noexcept;
    HttpSession& operator=(HttpSession&&) noexcept;
    ~HttpSession();

    struct State;

private:
    friend class HttpConnection;
    explicit HttpSession(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

class HttpConnection {
public:
    /// WinHttpConnect: names the host and port; nothing is sent yet.
    static std::optional<HttpConnection> Open(const HttpSession& session, std::u16string_view host,
                                              std::uint16_t port);

    HttpConnection(HttpConnection&&) noexcept;
    HttpConnection& operator=(HttpConnection&&) noexcept;
    ~HttpConnection();

    struct State;

private:
    friend class HttpRequest;
    explicit HttpConnection(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

/// One request. Redirects are followed as WinHTTP's default policy does, never from HTTPS to
/// plain HTTP. The body is read in the chunks the network delivers, and no more than one chunk is
/// held in memory. A body that ends before, or runs past, its Content-Length is a lost connection.
class HttpRequest {
public:
    /// WinHttpOpenRequest with the default HTTP version, no referrer and no accept types.
    static std::optional<HttpRequest> Open(const HttpConnection& connection,
                                           std::u16string_view verb, std::u16string_view path,
                                           std::uint32_t flags);

    /// Adds a block of "Name:value\r\n" lines, as WinHttpAddRequestHeaders with the modifier.
    bool AddHeaders(std::u16string_view headers, std::uint32_t modifiers);

    /// Sends the request with the body, if any.
    bool Send(std::span<const std::uint8_t> body = {});

    /// Waits for the response's status line and headers.
    bool ReceiveResponse();

    /// The response's numeric status.
    [[nodiscard]] std::optional<std::uint32_t> StatusCode() const;

    /// A response header's text; nothing, with the last error 12150, when it is absent.
    [[nodiscard]] std::optional<std::u16string> Header(std::u16string_view name) const;

    /// How many body bytes can be read now without waiting; waits for the next chunk when none
    /// is held. 0 at the end of the body. Nothing, with the last error set, when the connection
    /// failed.
    std::optional<std::size_t> QueryDataAvailable();

    /// Copies up to buffer.size() body bytes; the count read.
    std::optional<std::size_t> ReadData(std::span<std::uint8_t> buffer);

    HttpRequest(HttpRequest&&) noexcept;
    HttpRequest& operator=(HttpRequest&&) noexcept;
    ~HttpRequest();

    struct State;

private:
    explicit HttpRequest(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace vg::platform
