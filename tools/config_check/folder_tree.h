// A local folder standing for the CDN base, answering as the CDN would once it is published.
#pragma once

#include "cdn_tree.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vg::config_check {

/// Reads the file at `path` below the folder as net::HttpGetText reads a document: 0 with its
/// text (UTF-8 decoded up to its first NUL; an empty file leaves `text` as it was); 404 when it
/// is missing, not a regular file or outside the folder; 2 when the text holds "<html" (the
/// text is kept); 5 when it cannot be read; 8 when it is larger than the starter reads.
std::uint32_t ReadTreeFile(const std::filesystem::path& folder, std::u16string_view path,
                           std::u16string& text);

/// The folder as a tree, with the games of its "config/varnugames/*.gamestarter.json" files in
/// name order; nothing when it is not a folder.
std::optional<CdnTree> OpenFolderTree(const std::filesystem::path& folder);

} // namespace vg::config_check
