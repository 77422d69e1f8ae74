// POST requests: form and JSON bodies to a URL, and telemetry documents to the collector.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vg::net {

/// The collector's path below the telemetry host.
inline constexpr std::u16string_view kTelemetryPath = u"/api/v1/prod/json";

/// Posts the body to "host/path" (HTTPS on 443 when secure is nonzero, else HTTP on 80). Empty
/// headers send the form content type; otherwise exactly the caller's header lines. The body
/// goes in the thread's ANSI code page, and with secure 1 as PercentEncodeUtf8 of that. 0 with
/// the answer in `response`; another status as received; else the failed step's error, or 1.
std::uint32_t HttpPostForm(std::u16string_view url, std::u16string_view body,
                           std::u16string_view headers, int secure, std::u16string& response);

/// Posts one telemetry document (UTF-8 JSON) to the collector over HTTPS, its bytes above 0x7F
/// escaped as EscapeUtf8Bytes does; each of resolving, connecting, sending and receiving may take
/// a second, so an unreachable collector costs about four. The integer is the event's test flag
/// and changes nothing. Results as HttpPostForm's.
std::uint32_t PostTrelJson(int isTest, const std::string& utf8Document, std::u16string& response);

} // namespace vg::net
