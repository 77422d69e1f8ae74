// The answers the hosts give.
#include "sandbox/answer.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <system_error>

namespace vg::sandbox {
namespace {

constexpr const char* kMaintenancePage = "<html><body>Maintenance</body></html>";

std::string ContentTypeFor(const std::filesystem::path& file) {
    static const std::map<std::string, std::string> kTypes = {
        {".json", "application/json"}, {".xml", "application/xml"}, {".html", "text/html"},
        {".htm", "text/html"},         {".txt", "text/plain"},      {".ini", "text/plain"},
        {".png", "image/png"},         {".jpg", "image/jpeg"},      {".zip", "application/zip"},
    };
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto known = kTypes.find(extension);
    return known == kTypes.end() ? "application/octet-stream" : known->second;
}

/// The file a request path names under the host's folder; none when a segment would climb out.
std::optional<std::filesystem::path> FileForPath(const std::filesystem::path& hostRoot,
                                                 const std::string& path) {
    std::filesystem::path file = hostRoot;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string segment = path.substr(start, end - start);
        if (segment == ".." || segment.find('\0') != std::string::npos ||
            segment.find('\\') != std::string::npos) {
            return std::nullopt;
        }
        if (!segment.empty() && segment != ".") {
            file /= segment;
        }
        start = end + 1;
    }
    return file;
}

Content NotFound() {
    return TextContent(404, "Not Found\n", "text/plain");
}

std::string ContentRange(const ByteRange& range, std::uint64_t size) {
    return "bytes " + std::to_string(range.first) + "-" +
           std::to_string(range.first + range.length - 1) + "/" + std::to_string(size);
}

} // namespace

Content TextContent(int status, std::string text, std::string contentType) {
    return {status, std::move(contentType), std::make_shared<BodySource>(std::move(text)), {}};
}

Content FileContent(const std::filesystem::path& hostRoot, const std::string& path,
                    const std::string& rangeHeader, bool ignoreRange) {
    const auto file = FileForPath(hostRoot, path);
    std::error_code error;
    if (!file || !std::filesystem::is_regular_file(*file, error)) {
        return NotFound();
    }
    std::ifstream in(*file, std::ios::binary);
    const std::uint64_t size = std::filesystem::file_size(*file, error);
    if (!in || error) {
        return NotFound();
    }
    RangeRequest range;
    if (!rangeHeader.empty() && !ignoreRange) {
        range = ParseRange(rangeHeader, size);
    }
    if (range.kind == RangeRequest::Kind::Unsatisfiable) {
        Content content = TextContent(416, "", "text/plain");
        content.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
        return content;
    }
    const bool partial = range.kind == RangeRequest::Kind::Partial;
    const ByteRange span = partial ? range.range : ByteRange{0, size};
    Content content{partial ? 206 : 200,
                    ContentTypeFor(*file),
                    std::make_shared<BodySource>(std::move(in), span),
                    {}};
    content.headers.emplace_back("Accept-Ranges", "bytes");
    if (partial) {
        content.headers.emplace_back("Content-Range", ContentRange(span, size));
    }
    return content;
}

std::optional<Content> FaultContent(const Fault& fault) {
    if (fault.location) {
        Content moved = TextContent(fault.status.value_or(302), "Moved\n", "text/plain");
        moved.headers.emplace_back("Location", *fault.location);
        return moved;
    }
    if (fault.htmlPage) {
        return TextContent(fault.status.value_or(200), fault.body.value_or(kMaintenancePage),
                           "text/html");
    }
    if (fault.body) {
        return TextContent(fault.status.value_or(200), *fault.body, "text/plain");
    }
    if (fault.status) {
        return TextContent(*fault.status, "Sandbox fault " + std::to_string(*fault.status) + "\n",
                           "text/plain");
    }
    return std::nullopt;
}

Delivery DeliveryFor(std::uint64_t contentSize, const std::optional<Fault>& fault) {
    Delivery delivery;
    delivery.bytesToSend = contentSize;
    if (!fault) {
        return delivery;
    }
    if (fault->extraBytes && *fault->extraBytes != 0) {
        const std::int64_t extra = *fault->extraBytes;
        const auto magnitude =
            extra < 0 ? 0 - static_cast<std::uint64_t>(extra) : static_cast<std::uint64_t>(extra);
        delivery.bytesToSend =
            extra > 0 ? contentSize + magnitude : contentSize - std::min(contentSize, magnitude);
        delivery.closeAtEnd = true;
    }
    if (fault->dropAfterBytes) {
        delivery.bytesToSend = std::min(delivery.bytesToSend, *fault->dropAfterBytes);
        delivery.closeAtEnd = true;
    }
    // A client cannot tell where a body with a made-up length ends, so the close ends it.
    delivery.closeAtEnd = delivery.closeAtEnd || fault->rawContentLength.has_value();
    delivery.chunked = fault->noContentLength;
    delivery.trickle = fault->trickle;
    return delivery;
}

void PutAnswer(httplib::Response& response, Content content, const std::optional<Fault>& fault,
               StopSignal& stop) {
    const std::uint64_t size = content.body->Size();
    const Delivery delivery = DeliveryFor(size, fault);
    response.status = content.status;
    for (const auto& [name, value] : content.headers) {
        response.set_header(name, value);
    }
    if (delivery.chunked) {
        response.set_header("Transfer-Encoding", "chunked");
    } else if (fault && fault->rawContentLength) {
        response.set_header("Content-Length", *fault->rawContentLength);
    } else {
        response.set_header("Content-Length", std::to_string(size));
    }
    auto stream = std::make_shared<BodyStream>(std::move(content.body), delivery, stop);
    // Without a length of its own cpp-httplib adds no framing header, applies no range and no
    // compression: the bytes on the wire are exactly the stream's.
    response.set_content_provider(
        content.contentType,
        [stream](std::size_t, httplib::DataSink& sink) { return stream->Pump(sink); });
}

} // namespace vg::sandbox
