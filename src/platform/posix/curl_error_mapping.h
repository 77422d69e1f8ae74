// libcurl results mapped to the WinHTTP error numbers the transport reports.
#pragma once

#include <cstdint>
#include <curl/curl.h>

namespace vg::platform::posix {

/// The WinHTTP (or system) error number nearest to a libcurl result.
std::uint32_t ErrorFromCurl(CURLcode code);

} // namespace vg::platform::posix
