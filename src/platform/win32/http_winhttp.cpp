// The HTTP client service on Windows: WinHTTP itself, plus what WinHTTP leaves to its caller:
// the connect-to routing, redirects that keep to it, and the check of a body against its
// announced length. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/http.h"

#include "platform/win32/connect_to_list.h"
#include "platform/win32/wide_string.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <vector>

namespace vg::platform {
namespace {

/// WinHTTP's own limit on the redirects of one request.
constexpr int kMaxRedirects = 10;

/// Owns a WinHTTP handle. Closing keeps the thread's last error, so a failure read after the
/// owner goes is still the failure of the call the caller made.
struct InternetHandleCloser {
    void operator()(HINTERNET handle) const {
        const DWORD lastError = ::GetLastError();
        ::WinHttpCloseHandle(handle);
        ::SetLastError(lastError);
    }
};
using UniqueInternetHandle = std::unique_ptr<void, InternetHandleCloser>;

/// The numbers of this service's contract. A synchronous WinHTTP call reports every
/// certificate complaint as a secure failure; some WinHTTP builds let the specific reason or a
/// socket error through instead, and those are brought to the number WinHTTP itself uses.
DWORD ContractError(DWORD error) {
    switch (error) {
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
        return ERROR_WINHTTP_SECURE_FAILURE;
    case WSAETIMEDOUT:
        return ERROR_WINHTTP_TIMEOUT;
    case WSAECONNREFUSED:
        return ERROR_WINHTTP_CANNOT_CONNECT;
    case WSAECONNRESET:
    case WSAECONNABORTED:
        return ERROR_WINHTTP_CONNECTION_ERROR;
    default:
        return error;
    }
}

/// Ends a failed step with the error of the WinHTTP call that just failed.
bool FailedCall() {
    ::SetLastError(ContractError(::GetLastError()));
    return false;
}

bool Fail(DWORD error) {
    ::SetLastError(error);
    return false;
}

/// Nothing, after a failure step has set the last error.
template <typename T> std::optional<T> Nothing(bool) {
    return std::nullopt;
}

/// The variable's text; empty when it is unset or empty.
std::wstring EnvironmentVariable(const wchar_t* name) {
    std::wstring value;
    DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    while (needed > value.size()) {
        value.resize(needed);
        needed = ::GetEnvironmentVariableW(name, value.data(), needed);
    }
    value.resize(needed);
    return value;
}

/// A header of the answer by WinHTTP's query level (with its name for a custom one), however
/// long it is. Nothing, with WinHTTP's error, when it is absent.
std::optional<std::wstring> QueryHeaderText(HINTERNET request, DWORD infoLevel,
                                            const wchar_t* name) {
    std::wstring text;
    DWORD bytes = 0;
    while (!::WinHttpQueryHeaders(request, infoLevel, name, text.empty() ? nullptr : text.data(),
                                  &bytes, WINHTTP_NO_HEADER_INDEX)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return Nothing<std::wstring>(FailedCall());
        }
        text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    }
    text.resize(bytes / sizeof(wchar_t));
    return text;
}

/// A Content-Length that is a plain decimal number; anything else leaves the length unknown.
std::optional<std::uint64_t> StrictLength(std::wstring_view text) {
    std::string digits;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        digits += static_cast<char>(c);
    }
    std::uint64_t length = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, length);
    if (digits.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return length;
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

/// An answer that has no body whatever its headers say.
bool HasNoBody(std::u16string_view verb, DWORD status) {
    return verb == u"HEAD" || status < 200 || status == 204 || status == 304;
}

/// As WinHTTP and browsers do: 303 fetches the new place with GET, and so do 301 and 302 for
/// a POST; 307 and 308 repeat the request as it was.
bool RedirectTurnsIntoGet(DWORD status, std::u16string_view verb) {
    return (status == 303 && verb != u"HEAD") ||
           ((status == 301 || status == 302) && verb == u"POST");
}

DWORD ClampToDword(std::size_t size) {
    return static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

/// Where a request goes: the scheme, the requested host and port, and the object name.
struct RequestTarget {
    bool secure = false;
    std::u16string host;
    std::uint16_t port = 0;
    std::u16string path;
};

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

/// "scheme:" at the start of a reference, spelled as URLs spell a scheme.
bool HasScheme(std::wstring_view reference) {
    const std::size_t colon = reference.find(L':');
    if (colon == std::wstring_view::npos || colon == 0 || !IsAsciiLetter(reference[0])) {
        return false;
    }
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](wchar_t c) {
                           return IsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'+' ||
                                  c == L'-' || c == L'.';
                       });
}

/// An absolute http or https URL taken apart; another scheme is a refused redirect.
std::optional<RequestTarget> CrackAbsoluteUrl(const std::wstring& url) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        const bool otherScheme = ::GetLastError() == ERROR_WINHTTP_UNRECOGNIZED_SCHEME;
        return Nothing<RequestTarget>(otherScheme ? Fail(ERROR_WINHTTP_REDIRECT_FAILED)
                                                  : FailedCall());
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return Nothing<RequestTarget>(Fail(ERROR_WINHTTP_REDIRECT_FAILED));
    }
    RequestTarget target;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host = win32::FromWide({parts.lpszHostName, parts.dwHostNameLength});
    target.port = parts.nPort;
    target.path = win32::FromWide({parts.lpszUrlPath, parts.dwUrlPathLength}) +
                  win32::FromWide({parts.lpszExtraInfo, parts.dwExtraInfoLength});
    if (!target.path.starts_with(u'/')) {
        target.path.insert(0, u"/");
    }
    return target;
}

/// Where a Location header leads from the current request: an absolute URL, one without a
/// scheme, an absolute path, a query, or a path relative to the current one.
std::optional<RequestTarget> ResolveLocation(const RequestTarget& current,
                                             std::wstring_view location) {
    location = location.substr(0, location.find(L'#'));
    if (location.starts_with(L"//")) {
        return CrackAbsoluteUrl((current.secure ? L"https:" : L"http:") + std::wstring(location));
    }
    if (HasScheme(location)) {
        return CrackAbsoluteUrl(std::wstring(location));
    }
    RequestTarget next = current;
    const std::u16string reference = win32::FromWide(location);
    const std::u16string base = current.path.substr(0, current.path.find(u'?'));
    if (reference.starts_with(u'/')) {
        next.path = reference;
    } else if (reference.starts_with(u'?')) {
        next.path = base + reference;
    } else {
        next.path = base.substr(0, base.rfind(u'/') + 1) + reference;
    }
    return next;
}

} // namespace

struct HttpSession::State {
    UniqueInternetHandle handle;
    win32::ConnectToList routes;
};

struct HttpConnection::State {
    std::shared_ptr<HttpSession::State> session;
    UniqueInternetHandle handle;
    std::u16string host;
    std::uint16_t port = 0;
    /// The connection goes to another address or port than the host's own.
    bool rerouted = false;
};

namespace {

/// A connection to the host and port, or to where the session's routes send it. Nothing, with
/// the last error, when WinHTTP refuses it.
std::shared_ptr<HttpConnection::State>
OpenConnectionState(const std::shared_ptr<HttpSession::State>& session, std::u16string_view host,
                    std::uint16_t port) {
    // A host that names more than a host would be read apart differently by the two backends.
    if (host.empty() || host.find_first_of(u"/:@ ") != std::u16string_view::npos) {
        Fail(ERROR_WINHTTP_INVALID_URL);
        return nullptr;
    }
    const win32::ConnectTarget target = session->routes.Route(host, port);
    auto state = std::make_shared<HttpConnection::State>();
    state->session = session;
    state->host = host;
    state->port = port;
    state->rerouted = target != win32::ConnectTarget{std::u16string(host), port};
    state->handle.reset(::WinHttpConnect(session->handle.get(), win32::ToWide(target.host).c_str(),
                                         target.port, 0));
    if (!state->handle) {
        FailedCall();
        return nullptr;
    }
    return state;
}

} // namespace

struct HttpRequest::State {
    std::shared_ptr<HttpConnection::State> connection;
    UniqueInternetHandle handle;
    std::u16string verb;
    std::u16string path;
    std::uint32_t flags = 0;
    /// The header blocks as the caller added them, for the request a redirect leads to.
    std::vector<std::pair<std::wstring, DWORD>> headerBlocks;
    std::vector<std::uint8_t> body;
    /// The body's announced length, when it is measured by one.
    std::optional<std::uint64_t> contentLength;
    std::uint64_t delivered = 0;

    [[nodiscard]] bool Secure() const { return (flags & kHttpFlagSecure) != 0; }

    [[nodiscard]] RequestTarget Target() const {
        return {Secure(), connection->host, connection->port, path};
    }

    /// Redirects are followed here rather than by WinHTTP, so that every request of the chain
    /// keeps to the routes and to the rule that HTTPS never leads to plain HTTP.
    bool OpenHandle() {
        handle.reset(::WinHttpOpenRequest(connection->handle.get(), win32::ToWide(verb).c_str(),
                                          win32::ToWide(path).c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
        if (!handle) {
            return FailedCall();
        }
        DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
        if (!::WinHttpSetOption(handle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled,
                                sizeof(disabled))) {
            return FailedCall();
        }
        if (connection->rerouted &&
            !AddToHandle(HostHeader(), WINHTTP_ADDREQ_FLAG_REPLACE | WINHTTP_ADDREQ_FLAG_ADD)) {
            return false;
        }
        return std::ranges::all_of(headerBlocks, [this](const auto& block) {
            return AddToHandle(block.first, block.second);
        });
    }

    bool AddToHandle(const std::wstring& headers, DWORD modifiers) {
        return ::WinHttpAddRequestHeaders(handle.get(), headers.c_str(),
                                          static_cast<DWORD>(headers.size()), modifiers) ||
               FailedCall();
    }

    /// The Host header the requested host has on its own port, for a connection that goes
    /// elsewhere.
    [[nodiscard]] std::wstring HostHeader() const {
        const int defaultPort = Secure() ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
        std::wstring line = L"Host: " + win32::ToWide(connection->host);
        if (connection->port != defaultPort) {
            line += L":" + std::to_wstring(connection->port);
        }
        return line;
    }

    bool SendBody() {
        void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : body.data();
        const auto length = static_cast<DWORD>(body.size());
        return ::WinHttpSendRequest(handle.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length,
                                    length, 0) ||
               FailedCall();
    }

    bool FollowRedirect(DWORD status, std::wstring_view location) {
        const std::optional<RequestTarget> next = ResolveLocation(Target(), location);
        if (!next) {
            return false;
        }
        if (Secure() && !next->secure) {
            return Fail(ERROR_WINHTTP_REDIRECT_FAILED);
        }
        auto nextConnection = OpenConnectionState(connection->session, next->host, next->port);
        if (!nextConnection) {
            return false;
        }
        if (RedirectTurnsIntoGet(status, verb)) {
            verb = u"GET";
            body.clear();
        }
        handle.reset();
        connection = std::move(nextConnection);
        path = next->path;
        flags = next->secure ? flags | kHttpFlagSecure : flags & ~kHttpFlagSecure;
        return OpenHandle() && SendBody();
    }

    /// WinHTTP can end a body that stops short of its Content-Length as if it were whole, and
    /// report bytes past it as available; it is counted here so that both end as the lost
    /// connection they are.
    void MeasureBody(DWORD status) {
        contentLength.reset();
        delivered = 0;
        if (HasNoBody(verb, status) ||
            QueryHeaderText(handle.get(), WINHTTP_QUERY_TRANSFER_ENCODING,
                            WINHTTP_HEADER_NAME_BY_INDEX)) {
            return;
        }
        if (const auto length = QueryHeaderText(handle.get(), WINHTTP_QUERY_CONTENT_LENGTH,
                                                WINHTTP_HEADER_NAME_BY_INDEX)) {
            contentLength = StrictLength(*length);
        }
    }

    [[nodiscard]] bool CutShort() const { return contentLength && delivered < *contentLength; }
    [[nodiscard]] bool RunsPast(std::uint64_t more) const {
        return contentLength && more > *contentLength - std::min(delivered, *contentLength);
    }
};

HttpSession::HttpSession(std::shared_ptr<State> state) : state_(std::move(state)) {}
HttpSession::HttpSession(HttpSession&&) noexcept = default;
HttpSession& HttpSession::operator=(HttpSession&&) noexcept = default;
HttpSession::~HttpSession() = default;

std::optional<HttpSession> HttpSession::Open(std::u16string_view userAgent) {
    auto state = std::make_shared<State>();
    state->handle.reset(::WinHttpOpen(win32::ToWide(userAgent).c_str(),
                                      WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0));
    if (!state->handle) {
        return Nothing<HttpSession>(FailedCall());
    }
    state->routes =
        win32::ConnectToList::Parse(win32::FromWide(EnvironmentVariable(L"VARNUGAMES_CONNECT_TO")));
    return HttpSession(std::move(state));
}

bool HttpSession::RestrictToTls12() {
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    return ::WinHttpSetOption(state_->handle.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                              sizeof(protocols)) ||
           FailedCall();
}

bool HttpSession::SetTimeouts(const HttpTimeouts& timeouts) {
    // WinHTTP also takes -1 for "no limit"; the contract has only 0 for it, as on Linux.
    if (timeouts.resolveMs < 0 || timeouts.connectMs < 0 || timeouts.sendMs < 0 ||
        timeouts.receiveMs < 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!::WinHttpSetTimeouts(state_->handle.get(), timeouts.resolveMs, timeouts.connectMs,
                              timeouts.sendMs, timeouts.receiveMs)) {
        return FailedCall();
    }
    // Some WinHTTP builds wait for the answer's headers under a time-out of their own rather
    // than the receive time-out; a limit set for receiving holds for the headers too.
    if (timeouts.receiveMs == 0) {
        return true;
    }
    auto headersMs = static_cast<DWORD>(timeouts.receiveMs);
    return ::WinHttpSetOption(state_->handle.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                              &headersMs, sizeof(headersMs)) ||
           FailedCall();
}

HttpConnection::HttpConnection(std::shared_ptr<State> state) : state_(std::move(state)) {}
HttpConnection::HttpConnection(HttpConnection&&) noexcept = default;
HttpConnection& HttpConnection::operator=(HttpConnection&&) noexcept = default;
HttpConnection::~HttpConnection() = default;

std::optional<HttpConnection> HttpConnection::Open(const HttpSession& session,
                                                   std::u16string_view host, std::uint16_t port) {
    std::shared_ptr<State> state = OpenConnectionState(session.state_, host, port);
    if (!state) {
        return std::nullopt;
    }
    return HttpConnection(std::move(state));
}

HttpRequest::HttpRequest(std::unique_ptr<State> state) : state_(std::move(state)) {}
HttpRequest::HttpRequest(HttpRequest&&) noexcept = default;
HttpRequest& HttpRequest::operator=(HttpRequest&&) noexcept = default;
HttpRequest::~HttpRequest() = default;

std::optional<HttpRequest> HttpRequest::Open(const HttpConnection& connection,
                                             std::u16string_view verb, std::u16string_view path,
                                             std::uint32_t flags) {
    auto state = std::make_unique<State>();
    state->connection = connection.state_;
    state->verb = verb;
    state->path = path;
    state->flags = flags;
    if (!state->OpenHandle()) {
        return std::nullopt;
    }
    return HttpRequest(std::move(state));
}

bool HttpRequest::AddHeaders(std::u16string_view headers, std::uint32_t modifiers) {
    if (headers.size() > std::numeric_limits<DWORD>::max() / sizeof(wchar_t)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::wstring block = win32::ToWide(headers);
    if (!state_->AddToHandle(block, modifiers)) {
        return false;
    }
    state_->headerBlocks.emplace_back(std::move(block), modifiers);
    return true;
}

bool HttpRequest::Send(std::span<const std::uint8_t> body) {
    if (body.size() > std::numeric_limits<DWORD>::max()) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // Kept for a redirect that repeats the request.
    state_->body.assign(body.begin(), body.end());
    return state_->SendBody();
}

bool HttpRequest::ReceiveResponse() {
    State& state = *state_;
    for (int redirects = 0;; ++redirects) {
        if (!::WinHttpReceiveResponse(state.handle.get(), nullptr)) {
            return FailedCall();
        }
        const std::optional<std::uint32_t> status = StatusCode();
        if (!status) {
            return false;
        }
        const std::optional<std::wstring> location =
            IsRedirect(*status) ? QueryHeaderText(state.handle.get(), WINHTTP_QUERY_LOCATION,
                                                  WINHTTP_HEADER_NAME_BY_INDEX)
                                : std::nullopt;
        if (!location || location->empty()) {
            state.MeasureBody(*status);
            return true;
        }
        if (redirects == kMaxRedirects) {
            return Fail(ERROR_WINHTTP_REDIRECT_FAILED);
        }
        if (!state.FollowRedirect(*status, *location)) {
            return false;
        }
    }
}

std::optional<std::uint32_t> HttpRequest::StatusCode() const {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!::WinHttpQueryHeaders(
            state_->handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return Nothing<std::uint32_t>(FailedCall());
    }
    return status;
}

std::optional<std::u16string> HttpRequest::Header(std::u16string_view name) const {
    const std::optional<std::wstring> text =
        QueryHeaderText(state_->handle.get(), WINHTTP_QUERY_CUSTOM, win32::ToWide(name).c_str());
    if (!text) {
        return std::nullopt;
    }
    return win32::FromWide(*text);
}

std::optional<std::size_t> HttpRequest::QueryDataAvailable() {
    State& state = *state_;
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(state.handle.get(), &available)) {
        return Nothing<std::size_t>(FailedCall());
    }
    if ((available == 0 && state.CutShort()) || state.RunsPast(available)) {
        return Nothing<std::size_t>(Fail(ERROR_WINHTTP_CONNECTION_ERROR));
    }
    return available;
}

std::optional<std::size_t> HttpRequest::ReadData(std::span<std::uint8_t> buffer) {
    State& state = *state_;
    DWORD read = 0;
    if (!::WinHttpReadData(state.handle.get(), buffer.data(), ClampToDword(buffer.size()), &read)) {
        return Nothing<std::size_t>(FailedCall());
    }
    if ((read == 0 && !buffer.empty() && state.CutShort()) || state.RunsPast(read)) {
        return Nothing<std::size_t>(Fail(ERROR_WINHTTP_CONNECTION_ERROR));
    }
    state.delivered += read;
    return read;
}

} // namespace vg::platform
