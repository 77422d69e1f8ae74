// The answers the hosts give: files with byte ranges, texts, and the framing a fault asks for.
#pragma once

#include "sandbox/body_stream.h"
#include "sandbox/httplib_include.h"
#include "sandbox/sandbox.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vg::sandbox {

/// What an answer carries before a fault shapes its delivery.
struct Content {
    int status = 200;
    std::string contentType;
    std::shared_ptr<BodySource> body;
    std::vector<std::pair<std::string, std::string>> headers;
};

Content TextContent(int status, std::string text, std::string contentType);

/// The file at the request path under `hostRoot`: 200 with it whole, 206 with the single range
/// `rangeHeader` asks for (unless empty or `ignoreRange`), 416 for a range past its end, 404
/// when it is missing or the path climbs out of `hostRoot`.
Content FileContent(const std::filesystem::path& hostRoot, const std::string& path,
                    const std::string& rangeHeader, bool ignoreRange);

/// The answer of a fault that replaces the content (a status, the HTML page or a body).
std::optional<Content> FaultContent(const Fault& fault);

/// How a body of `contentSize` bytes goes out under `fault`.
Delivery DeliveryFor(std::uint64_t contentSize, const std::optional<Fault>& fault);

/// Sets the status, headers and body of `response`, with Content-Length (or the fault's text, or
/// chunked coding) set here rather than by cpp-httplib, which would announce the true length.
void PutAnswer(httplib::Response& response, Content content, const std::optional<Fault>& fault,
               StopSignal& stop);

} // namespace vg::sandbox
