// What every HTTP operation shares: the user agent, the host-string split, opening a session
// restricted to TLS 1.2, result codes, and reading a response as text.
#pragma once

#include "platform/http.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vg::net {

/// "VarnugamesStarter_" and the tick count as a signed 32-bit number: after 24.8 days of uptime
/// the number is negative.
std::u16string UserAgentWithTick(std::uint32_t tickCount);

/// The user agent of a GET or download sent now.
std::u16string CurrentUserAgent();

/// A host string "H/dir/" with a path "p" is host "H" and path "/dir/p"; a host string without
/// "/" leaves both as they are.
void SplitHostString(std::u16string& host, std::u16string& path);

/// Splits "host/path" at its first "/"; without one the object name is empty.
void SplitUrlString(std::u16string_view url, std::u16string& host, std::u16string& object);

/// Opens a session with the agent, restricted to TLS 1.2. On failure writes "Failed to
/// initialize http session.\n" to standard output.
std::optional<platform::HttpSession> OpenSession(std::u16string_view userAgent);

/// The result of a failed step: the last error, or 1 when the system reported none.
std::uint32_t FailedStepResult();

/// Sends the request with the body and receives the answer's headers. 0 when the answer is 200
/// or 206, the only statuses of success (its status then in `status`); another status as received;
/// else the result of the step that failed.
std::uint32_t SendRequest(platform::HttpRequest& request, std::span<const std::uint8_t> body,
                          std::uint32_t& status);

/// Reads the rest of the body; when it is not empty, replaces the text with it, decoded from
/// UTF-8 up to its first NUL. 0, or 8 (not enough memory) for a body over kMaxTextBody bytes,
/// which is then left unread.
std::uint32_t ReadResponseText(platform::HttpRequest& request, std::u16string& text);

/// The largest text document the program reads: its documents are a few kilobytes.
inline constexpr std::size_t kMaxTextBody = 16 * 1024 * 1024;

} // namespace vg::net
