// The JSON forms of the sandbox's faults, replies and recorded requests, as the control endpoint,
// the fault file and requests.jsonl carry them.
#pragma once

#include "sandbox/sandbox.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <string_view>

namespace vg::sandbox {

struct FaultRule {
    std::string host = "*";
    std::string path;
    Fault fault;
};

struct ReplyRule {
    std::string host = "*";
    std::string path;
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
};

/// Reads `{"host": "*", "path": "/x", "status": 503, "times": 1, ...}` with the members
/// status, htmlPage, dropAfterBytes, noContentLength, delayMs, extraBytes, rawContentLength,
/// ignoreRange, trickle ({"bytes": K, "everyMs": T}), times and body. "host" defaults to "*".
/// Throws std::invalid_argument naming the member that is missing, unknown or of the wrong type.
FaultRule FaultRuleFromJson(const nlohmann::json& form);

/// Reads `{"host": "*", "path": "/x", "status": 200, "body": "...", "contentType": "..."}`;
/// status defaults to 200 and contentType to application/json. Throws std::invalid_argument.
ReplyRule ReplyRuleFromJson(const nlohmann::json& form);

/// One request as a line of requests.jsonl, members in this order: time (UTC, ISO 8601 with
/// milliseconds), method, host, hostHeader, port, tls, path, headers (an object; repeated names
/// joined with ", "), body and bodyUtf8; a body that is not UTF-8 has its invalid bytes replaced in
/// "body" and comes whole in "bodyBase64".
nlohmann::ordered_json RequestToJson(const RecordedRequest& request);

/// The reverse of RequestToJson; throws std::invalid_argument on a form it did not write.
RecordedRequest RequestFromJson(const nlohmann::json& form);

bool IsValidUtf8(std::string_view text);
/// The text with every byte that is not part of a valid UTF-8 sequence replaced by U+FFFD.
std::string ToValidUtf8(std::string_view text);
std::string EncodeBase64(std::string_view bytes);
/// Empty when the text is not base64.
std::optional<std::string> DecodeBase64(std::string_view text);
std::string FormatUtcTime(std::chrono::system_clock::time_point time);

} // namespace vg::sandbox
