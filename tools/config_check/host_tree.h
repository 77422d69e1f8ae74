// A published CDN tree, fetched over HTTPS exactly as the starter fetches it.
#pragma once

#include "cdn_tree.h"

#include <optional>
#include <string>
#include <string_view>

namespace vg::config_check {

/// The CDN base the starter would use for an "https://host/path/" URL: "host/path/", ending in
/// "/". Nothing, with the reason in `problem`, for another scheme, a port, user information, a
/// query or a fragment.
std::optional<std::u16string> CdnBaseOfUrl(std::string_view url, std::string& problem);

/// The tree below the URL's CDN base, read with net::HttpGetText on port 443; connections
/// follow VARNUGAMES_CONNECT_TO and trust what SSL_CERT_FILE and SSL_CERT_DIR name, as the
/// starter's do.
std::optional<CdnTree> OpenHostTree(std::string_view url, std::string& problem);

} // namespace vg::config_check
