// A CDN tree to check: where its documents come from, and, for a folder, which game documents
// it holds.
#pragma once

#include "config/config_loader.h"

#include <optional>
#include <string>
#include <vector>

namespace vg::config_check {

struct CdnTree {
    /// The folder or URL as given, for the report.
    std::string name;
    /// The documents below the CDN base, answered as net::HttpGetText answers.
    config::DocumentFetcher fetch;
    /// The games with a document in "config/varnugames/", when the tree can be listed (a
    /// folder); nothing for a host.
    std::optional<std::vector<std::u16string>> documentGames;
};

} // namespace vg::config_check
