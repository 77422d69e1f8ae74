// The HTTP client service on Linux: libcurl's multi interface driven from the caller's thread, so
// the body is pulled in the chunks the network delivers, as WinHTTP's reads pull it.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/http.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/curl_error_mapping.h"
#include "platform/posix/http_header_list.h"
#include "platform/posix/system_trust_store.h"
#include "platform/posix/utf8_codec.h"
#include "platform/posix/whole_number.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <curl/curl.h>
#include <mutex>
#include <openssl/ssl.h>
#include <vector>

namespace vg::platform {

struct HttpSession::State {
    std::string userAgent;
    bool tls12Only = false;
    HttpTimeouts timeouts;
};

struct HttpConnection::State {
    std::shared_ptr<HttpSession::State> session;
    std::string host;
    std::uint16_t port = 0;
};

namespace {

using Clock = std::chrono::steady_clock;

/// The most body bytes held between the network and the reader: the chunk being read and the
/// next one curl delivered with it. Beyond that the transfer pauses until the reader catches up.
constexpr std::size_t kMaxHeldBytes = 1024 * 1024;
constexpr long kReceiveBufferSize = 256 * 1024;
constexpr long kMaxRedirects = 10;

struct CurlEasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

void InitializeCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlList AppendTo(CurlList list, const std::string& text) {
    curl_slist* grown = curl_slist_append(list.get(), text.c_str());
    if (grown != nullptr) {
        [[maybe_unused]] curl_slist* same = list.release();
        list.reset(grown);
    }
    return list;
}

/// $VARNUGAMES_CONNECT_TO: a comma-separated list in curl's --connect-to form.
CurlList ConnectToList() {
    CurlList list;
    const char* variable = std::getenv("VARNUGAMES_CONNECT_TO");
    std::string_view entries = variable ? variable : "";
    while (!entries.empty()) {
        const std::size_t comma = entries.find(',');
        const std::string_view entry = entries.substr(0, comma);
        if (!entry.empty()) {
            list = AppendTo(std::move(list), std::string(entry));
        }
        entries.remove_prefix(comma == std::string_view::npos ? entries.size() : comma + 1);
    }
    return list;
}

/// The object name as the request line carries it: UTF-8, with blanks, controls, bytes outside
/// ASCII and the characters a URL may not hold percent-escaped; existing escapes are kept.
std::string EscapedPath(std::u16string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : posix::Utf16ToUtf8(path)) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unsafe = byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' ||
                            c == '\\' || c == '^' || c == '`' || c == '{' || c == '|' || c == '}';
        if (unsafe) {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        } else {
            escaped += c;
        }
    }
    if (escaped.empty() || escaped.front() != '/') {
        escaped.insert(escaped.begin(), '/');
    }
    return escaped;
}

/// A Content-Length that is a plain decimal number; anything else leaves the length unknown,
/// and the body then runs to the end of the connection.
std::optional<std::uint64_t> StrictLength(std::string_view text) {
    return posix::ParseWholeNumber<std::uint64_t>(text);
}

bool IsFollowedRedirect(std::uint32_t status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

struct HttpRequest::State {
    std::shared_ptr<HttpConnection::State> connection;
    std::string verb;
    std::string path;
    std::uint32_t flags = 0;
    posix::HttpHeaderList headers;
    std::vector<std::uint8_t> body;

    CurlEasy easy;
    CurlMulti multi;
    CurlList headerList;
    CurlList connectTo;
    bool attached = false;

    // The response: the header block being received, and the final one once it is complete.
    std::uint32_t status = 0;
    std::vector<std::string> headerLines;
    bool headersComplete = false;
    std::optional<std::uint64_t> contentLength;
    bool connected = false;

    std::vector<std::uint8_t> held;
    std::size_t heldOffset = 0;
    std::uint64_t delivered = 0;
    bool paused = false;
    bool overrun = false;

    curl_off_t uploaded = 0;
    bool done = false;
    std::uint32_t error = kErrorSuccess;
    Clock::time_point lastActivity = Clock::now();

    ~State() {
        if (attached) {
            curl_multi_remove_handle(multi.get(), easy.get());
        }
    }

    [[nodiscard]] std::size_t HeldBytes() const { return held.size() - heldOffset; }
    [[nodiscard]] bool BodyComplete() const {
        return contentLength.has_value() && delivered >= *contentLength;
    }

    std::optional<std::string_view> FindHeader(std::string_view name) const {
        for (const std::string& line : headerLines) {
            if (posix::HeaderNameEquals(posix::HeaderName(line), name)) {
                return posix::HeaderValue(line);
            }
        }
        return std::nullopt;
    }

    void OnHeaderLine(std::string_view line) {
        lastActivity = Clock::now();
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with("HTTP/")) {
            headerLines.clear();
            const std::size_t blank = line.find(' ');
            const std::string_view code =
                blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1, 3);
            status = 0;
            std::from_chars(code.data(), code.data() + code.size(), status);
            return;
        }
        if (!line.empty()) {
            headerLines.emplace_back(line);
            return;
        }
        // The end of a block: an interim answer or a redirect that is followed has another after.
        const bool another = status < 200 || (IsFollowedRedirect(status) && FindHeader("location"));
        if (!another) {
            headersComplete = true;
            if (!FindHeader("transfer-encoding")) {
                const auto length = FindHeader("content-length");
                contentLength = length ? StrictLength(*length) : std::nullopt;
            }
        }
    }

    std::size_t OnBody(const char* data, std::size_t length) {
        lastActivity = Clock::now();
        headersComplete = true;
        if (contentLength && delivered + length > *contentLength) {
            overrun = true;
            return 0;
        }
        if (HeldBytes() > 0 && HeldBytes() + length > kMaxHeldBytes) {
            paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        if (heldOffset == held.size()) {
            held.clear();
            heldOffset = 0;
        }
        held.insert(held.end(), data, data + length);
        delivered += length;
        return length;
    }

    void Finish(CURLcode result) {
        done = true;
        if (error != kErrorSuccess) {
            return;
        }
        if (overrun) {
            error = kErrorHttpConnectionError;
        } else if (result != CURLE_OK) {
            error = posix::ErrorFromCurl(result);
        } else if (contentLength && delivered < *contentLength) {
            error = kErrorHttpConnectionError;
        }
    }

    [[nodiscard]] std::chrono::milliseconds InactivityLimit() const {
        const HttpTimeouts& timeouts = connection->session->timeouts;
        return std::chrono::milliseconds(headersComplete || body.empty() ? timeouts.receiveMs
                                                                         : timeouts.sendMs);
    }

    /// Runs the transfer until the condition holds or it has ended.
    template <typename Condition> void Drive(Condition condition) {
        while (!condition() && !done) {
            int running = 0;
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
                error = kErrorHttpInternalError;
                done = true;
                break;
            }
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
                if (message->msg == CURLMSG_DONE) {
                    Finish(message->data.result);
                }
            }
            if (condition() || done) {
                break;
            }
            NoteConnection();
            const auto limit = InactivityLimit();
            if (connected && limit.count() > 0 && Clock::now() - lastActivity > limit) {
                error = kErrorHttpTimeout;
                done = true;
                break;
            }
            curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
        }
    }

    /// The inactivity limit counts from the end of the connection phase, which curl bounds.
    void NoteConnection() {
        if (connected) {
            return;
        }
        curl_off_t connectTime = 0;
        const bool secure = (flags & kHttpFlagSecure) != 0;
        curl_easy_getinfo(easy.get(), secure ? CURLINFO_APPCONNECT_TIME_T : CURLINFO_CONNECT_TIME_T,
                          &connectTime);
        if (connectTime > 0) {
            connected = true;
            lastActivity = Clock::now();
        }
    }

    void Resume() {
        if (paused) {
            paused = false;
            lastActivity = Clock::now();
            curl_easy_pause(easy.get(), CURLPAUSE_CONT);
        }
    }
};

namespace {

std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<HttpRequest::State*>(user)->OnHeaderLine(std::string_view(data, size * count));
    return size * count;
}

std::size_t BodyCallback(char* data, std::size_t size, std::size_t count, void* user) {
    return static_cast<HttpRequest::State*>(user)->OnBody(data, size * count);
}

int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* state = static_cast<HttpRequest::State*>(user);
    if (uploaded != state->uploaded) {
        state->uploaded = uploaded;
        state->lastActivity = Clock::now();
    }
    return 0;
}

/// Gives a new TLS connection the system's trust. Curl is told to load no roots of its own, and
/// sets its verification flags on this store as on the one it would have filled.
CURLcode AddSystemTrustToConnection(CURL*, void* context, void*) {
    X509_STORE* const store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(context));
    return store != nullptr && posix::AddSystemTrust(store) ? CURLE_OK : CURLE_OUT_OF_MEMORY;
}

std::string RequestUrl(const HttpRequest::State& state) {
    const bool secure = (state.flags & kHttpFlagSecure) != 0;
    return std::string(secure ? "https://" : "http://") + state.connection->host + ":" +
           std::to_string(state.connection->port) + state.path;
}

/// The header lines curl sends, beside its own Host and User-Agent: ours, and empty values that
/// remove what curl would add and WinHTTP does not.
CurlList RequestHeaderList(const HttpRequest::State& state) {
    CurlList list;
    for (const std::string& line : state.headers.Lines()) {
        list = AppendTo(std::move(list), line);
    }
    if ((state.flags & kHttpFlagRefresh) != 0 && !state.headers.Contains("pragma")) {
        list = AppendTo(std::move(list), "Pragma: no-cache");
    }
    for (const char* removed : {"Accept", "Expect", "Content-Type"}) {
        if (!state.headers.Contains(removed)) {
            list = AppendTo(std::move(list), std::string(removed) + ":");
        }
    }
    // The body is measured by its Content-Length here, not by curl, so the connection closes
    // after the answer and a body that runs past its length is seen.
    list = AppendTo(std::move(list), "Connection: close");
    return list;
}

bool ConfigureTransfer(HttpRequest::State& state) {
    CURL* easy = state.easy.get();
    const HttpSession::State& session = *state.connection->session;
    const bool secure = (state.flags & kHttpFlagSecure) != 0;
    state.headerList = RequestHeaderList(state);
    state.connectTo = ConnectToList();
    const HttpTimeouts& timeouts = session.timeouts;
    const long connectMs = timeouts.connectMs == 0 || timeouts.resolveMs == 0
                               ? timeouts.connectMs
                               : timeouts.resolveMs + timeouts.connectMs;
    bool ok = true;
    auto set = [&ok](CURLcode result) { ok = ok && result == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_URL, RequestUrl(state).c_str()));
    set(curl_easy_setopt(easy, CURLOPT_USERAGENT, session.userAgent.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, state.headerList.get()));
    set(curl_easy_setopt(easy, CURLOPT_CONNECT_TO, state.connectTo.get()));
    set(curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1));
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L));
    set(curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferSize));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L));
    set(curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects));
    set(curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L));
    if (session.tls12Only) {
        // The lowest version in the low 16 bits, the highest in the high ones.
        const long exactlyTls12 =
            long{CURL_SSLVERSION_TLSv1_2} | (long{CURL_SSLVERSION_TLSv1_2} << 16);
        set(curl_easy_setopt(easy, CURLOPT_SSLVERSION, exactlyTls12));
    }
    // The roots come from the trust store the process parsed once, added as a connection is set
    // up; curl would parse its bundle again for each connection.
    set(curl_easy_setopt(easy, CURLOPT_CAINFO, static_cast<const char*>(nullptr)));
    set(curl_easy_setopt(easy, CURLOPT_CAPATH, static_cast<const char*>(nullptr)));
    set(curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, AddSystemTrustToConnection));
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, HeaderCallback));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state));
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, BodyCallback));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state));
    set(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, ProgressCallback));
    set(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state));
    set(curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L));
    if (state.verb == "GET") {
        set(curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L));
    } else if (state.verb == "POST") {
        set(curl_easy_setopt(easy, CURLOPT_POST, 1L));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(state.body.size())));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS, state.body.data()));
    } else {
        set(curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, state.verb.c_str()));
    }
    return ok;
}

bool Fail(std::uint32_t error) {
    SetLastError(error);
    return false;
}

} // namespace

HttpSession::HttpSession(std::shared_ptr<State> state) : state_(std::move(state)) {}
HttpSession::HttpSession(HttpSession&&) noexcept = default;
HttpSession& HttpSession::operator=(HttpSession&&) noexcept = default;
HttpSession::~HttpSession() = default;

std::optional<HttpSession> HttpSession::Open(std::u16string_view userAgent) {
    InitializeCurlOnce();
    auto state = std::make_shared<State>();
    state->userAgent = posix::Utf16ToUtf8(userAgent);
    return HttpSession(std::move(state));
}

bool HttpSession::RestrictToTls12() {
    state_->tls12Only = true;
    return true;
}

bool HttpSession::SetTimeouts(const HttpTimeouts& timeouts) {
    if (timeouts.resolveMs < 0 || timeouts.connectMs < 0 || timeouts.sendMs < 0 ||
        timeouts.receiveMs < 0) {
        return Fail(kErrorInvalidParameter);
    }
    state_->timeouts = timeouts;
    return true;
}

HttpConnection::HttpConnection(std::shared_ptr<State> state) : state_(std::move(state)) {}
HttpConnection::HttpConnection(HttpConnection&&) noexcept = default;
HttpConnection& HttpConnection::operator=(HttpConnection&&) noexcept = default;
HttpConnection::~HttpConnection() = default;

std::optional<HttpConnection> HttpConnection::Open(const HttpSession& session,
                                                   std::u16string_view host, std::uint16_t port) {
    if (host.empty() || host.find_first_of(u"/:@ ") != std::u16string_view::npos) {
        Fail(kErrorHttpInvalidUrl);
        return std::nullopt;
    }
    auto state = std::make_shared<State>();
    state->session = session.state_;
    state->host = posix::Utf16ToUtf8(host);
    state->port = port;
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
    state->verb = posix::Utf16ToUtf8(verb);
    state->path = EscapedPath(path);
    state->flags = flags;
    state->easy.reset(curl_easy_init());
    state->multi.reset(curl_multi_init());
    if (!state->easy || !state->multi) {
        Fail(kErrorHttpOutOfHandles);
        return std::nullopt;
    }
    return HttpRequest(std::move(state));
}

bool HttpRequest::AddHeaders(std::u16string_view headers, std::uint32_t modifiers) {
    if (state_->attached) {
        return Fail(kErrorHttpIncorrectHandleState);
    }
    return state_->headers.AddBlock(posix::Utf16ToUtf8(headers), modifiers) ||
           Fail(kErrorInvalidParameter);
}

bool HttpRequest::Send(std::span<const std::uint8_t> body) {
    State& state = *state_;
    if (state.attached) {
        return Fail(kErrorHttpIncorrectHandleState);
    }
    state.body.assign(body.begin(), body.end());
    if (!ConfigureTransfer(state)) {
        return Fail(kErrorHttpInvalidOption);
    }
    if (curl_multi_add_handle(state.multi.get(), state.easy.get()) != CURLM_OK) {
        return Fail(kErrorHttpInternalError);
    }
    state.attached = true;
    state.lastActivity = Clock::now();
    state.Drive([&state] { return state.headersComplete; });
    if (!state.headersComplete) {
        return Fail(state.error != kErrorSuccess ? state.error : kErrorHttpInvalidServerResponse);
    }
    return true;
}

bool HttpRequest::ReceiveResponse() {
    if (!state_->attached) {
        return Fail(kErrorHttpIncorrectHandleState);
    }
    return state_->headersComplete || Fail(state_->error);
}

std::optional<std::uint32_t> HttpRequest::StatusCode() const {
    if (!state_->headersComplete || state_->status == 0) {
        Fail(kErrorHttpInvalidServerResponse);
        return std::nullopt;
    }
    return state_->status;
}

std::optional<std::u16string> HttpRequest::Header(std::u16string_view name) const {
    const std::optional<std::string_view> value =
        state_->headersComplete ? state_->FindHeader(posix::Utf16ToUtf8(name)) : std::nullopt;
    if (!value) {
        Fail(kErrorHttpHeaderNotFound);
        return std::nullopt;
    }
    return posix::Utf8ToUtf16(*value);
}

std::optional<std::size_t> HttpRequest::QueryDataAvailable() {
    State& state = *state_;
    if (state.HeldBytes() == 0 && !state.BodyComplete()) {
        state.Resume();
        state.Drive([&state] { return state.HeldBytes() > 0 || state.BodyComplete(); });
    }
    if (state.HeldBytes() > 0) {
        return state.HeldBytes();
    }
    if (state.done && state.error != kErrorSuccess) {
        Fail(state.error);
        return std::nullopt;
    }
    return 0;
}

std::optional<std::size_t> HttpRequest::ReadData(std::span<std::uint8_t> buffer) {
    State& state = *state_;
    if (state.HeldBytes() == 0) {
        const std::optional<std::size_t> available = QueryDataAvailable();
        if (!available) {
            return std::nullopt;
        }
    }
    const std::size_t count = std::min(buffer.size(), state.HeldBytes());
    std::copy_n(state.held.begin() + static_cast<std::ptrdiff_t>(state.heldOffset), count,
                buffer.begin());
    state.heldOffset += count;
    return count;
}

} // namespace vg::platform
