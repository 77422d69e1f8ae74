// The steps every HTTP operation shares.
#include "net/http_session.h"

#include "platform/clock.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "util/text_encoding.h"

#include <cstdio>
#include <vector>

namespace vg::net {
namespace {

bool IsSuccessStatus(std::uint32_t status) {
    return status == 200 || status == 206;
}

} // namespace

std::u16string UserAgentWithTick(std::uint32_t tickCount) {
    const auto signedTick = static_cast<std::int32_t>(tickCount);
    return u"VarnugamesStarter_" + util::WidenAscii(std::to_string(signedTick));
}

std::u16string CurrentUserAgent() {
    return UserAgentWithTick(platform::GetTickCount());
}

void SplitHostString(std::u16string& host, std::u16string& path) {
    const std::size_t slash = host.find(u'/');
    if (slash == std::u16string::npos) {
        return;
    }
    path.insert(0, host, slash);
    host.erase(slash);
}

void SplitUrlString(std::u16string_view url, std::u16string& host, std::u16string& object) {
    const std::size_t slash = url.find(u'/');
    host = url.substr(0, slash);
    object = slash == std::u16string_view::npos ? std::u16string() : url.substr(slash);
}

std::optional<platform::HttpSession> OpenSession(std::u16string_view userAgent) {
    std::optional<platform::HttpSession> session = platform::HttpSession::Open(userAgent);
    if (!session) {
        std::fputs("Failed to initialize http session.\n", stdout);
        std::fflush(stdout);
        return std::nullopt;
    }
    session->RestrictToTls12();
    return session;
}

std::uint32_t FailedStepResult() {
    const std::uint32_t error = platform::GetLastError();
    return error != platform::kErrorSuccess ? error : 1;
}

std::uint32_t ReadResponseText(platform::HttpRequest& request, std::u16string& text) {
    std::string body;
    std::vector<std::uint8_t> chunk;
    while (true) {
        const std::optional<std::size_t> available = request.QueryDataAvailable();
        if (!available || *available == 0) {
            break;
        }
        if (body.size() + *available > kMaxTextBody) {
            return platform::kErrorNotEnoughMemory;
        }
        chunk.assign(*available + 1, 0);
        const std::optional<std::size_t> read =
            request.ReadData(std::span(chunk.data(), *available));
        if (read) {
            body.append(reinterpret_cast<const char*>(chunk.data()), *read);
        }
    }
    if (!body.empty()) {
        text = util::FromUtf8(std::string_view(body).substr(0, body.find('\0')));
    }
    return 0;
}

std::uint32_t SendRequest(platform::HttpRequest& request, std::span<const std::uint8_t> body,
                          std::uint32_t& status) {
    if (!request.Send(body) || !request.ReceiveResponse()) {
        return FailedStepResult();
    }
    const std::optional<std::uint32_t> received = request.StatusCode();
    if (!received) {
        return FailedStepResult();
    }
    status = *received;
    return IsSuccessStatus(status) ? 0 : status;
}

} // namespace vg::net
