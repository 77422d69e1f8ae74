// GET requests for documents and for a file's length.
#include "net/http_get.h"

#include "net/http_session.h"
#include "platform/error_codes.h"
#include "platform/http.h"
#include "platform/last_error.h"
#include "util/leading_integer.h"

#include <limits>

namespace vg::net {
namespace {

/// Opens the request and receives the answer's headers; the result is 0 or the step's failure.
std::uint32_t SendGet(platform::HttpSession& session, std::u16string host, std::u16string path,
                      int secure, std::uint32_t flags, std::u16string_view headers,
                      std::optional<platform::HttpRequest>& request) {
    SplitHostString(host, path);
    const auto connection = platform::HttpConnection::Open(
        session, host, static_cast<std::uint16_t>(secure == 1 ? 443 : 80));
    if (!connection) {
        return FailedStepResult();
    }
    request = platform::HttpRequest::Open(*connection, u"GET", path, flags);
    if (!request || !request->AddHeaders(headers, platform::kHttpAddHeader)) {
        return FailedStepResult();
    }
    std::uint32_t status = 0;
    return SendRequest(*request, {}, status);
}

/// How a Content-Length without digits reads: as 0, the way wcstoll reads it, or as no length.
enum class NoDigits { kZero, kInvalid };

/// The header's text read as wcstoll reads it: blanks, an optional sign, the digits up to the
/// first non-digit, 0 when there are none; nothing when the number is negative or overflows.
std::optional<std::uint64_t> ParseContentLength(std::u16string_view text, NoDigits noDigits) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) {
        ++i;
    }
    const std::size_t firstDigit =
        i < text.size() && (text[i] == u'+' || text[i] == u'-') ? i + 1 : i;
    if (noDigits == NoDigits::kInvalid &&
        (firstDigit >= text.size() || text[firstDigit] < u'0' || text[firstDigit] > u'9')) {
        return std::nullopt;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const util::LeadingInteger length = util::ReadLeadingInteger(text.substr(i), kMax + 1);
    if (length.magnitude > kMax || (length.negative && length.magnitude != 0)) {
        return std::nullopt;
    }
    return length.magnitude;
}

std::uint32_t QueryContentLength(std::u16string host, std::u16string path, int secure,
                                 std::uint64_t& length, NoDigits noDigits) {
    length = 0;
    platform::SetLastError(platform::kErrorSuccess);
    std::optional<platform::HttpSession> session = OpenSession(CurrentUserAgent());
    if (!session) {
        return FailedStepResult();
    }
    const std::uint32_t flags = secure == 1 ? platform::kHttpFlagSecure | platform::kHttpFlagRefresh
                                            : platform::kHttpFlagRefresh;
    std::optional<platform::HttpRequest> request;
    const std::uint32_t result = SendGet(*session, std::move(host), std::move(path), secure, flags,
                                         u"Cache-Control:no-cache\r\n", request);
    if (result != 0) {
        return result;
    }
    const std::optional<std::u16string> header = request->Header(u"Content-Length");
    if (!header) {
        return FailedStepResult();
    }
    const std::optional<std::uint64_t> parsed = ParseContentLength(*header, noDigits);
    if (!parsed) {
        return platform::kErrorHttpInvalidServerResponse;
    }
    length = *parsed;
    return 0;
}

} // namespace

std::uint32_t HttpGetText(std::u16string host, std::u16string path, int secure,
                          std::u16string& text) {
    platform::SetLastError(platform::kErrorSuccess);
    std::optional<platform::HttpSession> session = OpenSession(CurrentUserAgent());
    if (!session) {
        return FailedStepResult();
    }
    const std::uint32_t flags =
        secure == 1 ? platform::kHttpFlagSecure : platform::kHttpFlagRefresh;
    std::optional<platform::HttpRequest> request;
    const std::uint32_t result = SendGet(*session, std::move(host), std::move(path), secure, flags,
                                         u"Cache-Control:no-cache", request);
    if (result != 0) {
        return result;
    }
    if (const std::uint32_t readResult = ReadResponseText(*request, text); readResult != 0) {
        return readResult;
    }
    return text.find(u"<html") != std::u16string::npos ? 2 : 0;
}

std::uint32_t HttpGetContentLength(std::u16string host, std::u16string path, int secure,
                                   std::uint64_t& length) {
    return QueryContentLength(std::move(host), std::move(path), secure, length, NoDigits::kZero);
}

std::uint32_t HttpGetDownloadLength(std::u16string host, std::u16string path, int secure,
                                    std::uint64_t& length) {
    return QueryContentLength(std::move(host), std::move(path), secure, length, NoDigits::kInvalid);
}

} // namespace vg::net
