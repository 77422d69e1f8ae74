// Form posts and telemetry posts.
#include "net/http_post.h"

#include "net/http_session.h"
#include "net/percent_encode_utf8.h"
#include "platform/error_codes.h"
#include "platform/http.h"
#include "platform/last_error.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <span>

namespace vg::net {
namespace {

constexpr std::u16string_view kFormHeaders =
    u"Content-type: application/x-www-form-urlencoded\r\n\r\n\r\n";
constexpr std::u16string_view kJsonHeaders = u"Content-type: application/json\r\n\r\n\r\n";
constexpr platform::HttpTimeouts kTelemetryTimeouts{1000, 1000, 1000, 1000};

std::span<const std::uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

/// Connects, posts the bytes with the header block and reads the answer.
std::uint32_t Post(platform::HttpSession& session, std::u16string_view url, bool secure,
                   std::u16string_view headers, const std::string& bytes,
                   std::u16string& response) {
    std::u16string host;
    std::u16string object;
    SplitUrlString(url, host, object);
    const auto connection = platform::HttpConnection::Open(session, host, secure ? 443 : 80);
    const std::uint32_t flags = secure ? platform::kHttpFlagSecure : platform::kHttpFlagRefresh;
    std::optional<platform::HttpRequest> request =
        connection ? platform::HttpRequest::Open(*connection, u"POST", object, flags)
                   : std::nullopt;
    if (!request || !request->AddHeaders(headers, platform::kHttpCoalesceWithSemicolon)) {
        return FailedStepResult();
    }
    std::uint32_t status = 0;
    if (const std::uint32_t sent = SendRequest(*request, AsBytes(bytes), status); sent != 0) {
        return sent;
    }
    ReadResponseText(*request, response);
    return 0;
}

} // namespace

std::uint32_t HttpPostForm(std::u16string_view url, std::u16string_view body,
                           std::u16string_view headers, int secure, std::u16string& response) {
    platform::SetLastError(platform::kErrorSuccess);
    std::optional<platform::HttpSession> session = OpenSession(u"VarnugamesStarter");
    if (!session) {
        return FailedStepResult();
    }
    const std::string ansiBody = util::ToAnsi(body);
    const std::string bytes = secure == 1 ? PercentEncodeUtf8(ansiBody) : ansiBody;
    return Post(*session, url, secure != 0, headers.empty() ? kFormHeaders : headers, bytes,
                response);
}

std::uint32_t PostTrelJson(int /*isTest*/, const std::string& utf8Document,
                           std::u16string& response) {
    platform::SetLastError(platform::kErrorSuccess);
    std::optional<platform::HttpSession> session = OpenSession(u"VGTREL_LAUNCHER");
    if (!session) {
        return FailedStepResult();
    }
    session->SetTimeouts(kTelemetryTimeouts);
    const std::u16string url =
        std::u16string(deployment::kTelemetryHost) + std::u16string(kTelemetryPath);
    return Post(*session, url, true, kJsonHeaders, EscapeUtf8Bytes(utf8Document), response);
}

} // namespace vg::net
