// The two GET operations: a text document, and the length of a file.
#pragma once

#include <cstdint>
#include <string>

namespace vg::net {

/// Fetches a text document: HTTPS on 443 when secure is 1, else HTTP on 80, with
/// "Cache-Control:no-cache". 0 with the body in `text`; 2 when the body holds "<html" (the body
/// is kept); another status as received, leaving `text` unchanged; else the error of the step
/// that failed, or 1. An empty body leaves `text` as it was.
std::uint32_t HttpGetText(std::u16string host, std::u16string path, int secure,
                          std::u16string& text);

/// Asks for a file's Content-Length without reading the body. `length` is 0 on entry; 0 with the
/// length read as a decimal number (0 when the header holds no digits); 12150 when the answer
/// has no Content-Length; 12152 when it is negative or too large to be a length.
std::uint32_t HttpGetContentLength(std::u16string host, std::u16string path, int secure,
                                   std::uint64_t& length);

/// HttpGetContentLength for a download, where a Content-Length without digits is 12152 as well:
/// read as 0 it would let a download end at once with an empty file and report success.
std::uint32_t HttpGetDownloadLength(std::u16string host, std::u16string path, int secure,
                                    std::uint64_t& length);

} // namespace vg::net
