// The folder form of a tree: files read from disk with the answers the CDN gives for them.
#include "folder_tree.h"

#include "net/http_session.h"
#include "platform/error_codes.h"
#include "util/text_encoding.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vg::config_check {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kHttpNotFound = 404;
constexpr std::uint32_t kErrorPage = 2;
constexpr std::string_view kDocumentSuffix = ".gamestarter.json";

/// The file a path below the base names; nothing when the path leaves the folder, as a CDN
/// never serves what lies outside its tree.
std::optional<fs::path> FileInTree(const fs::path& folder, std::u16string_view path) {
    const fs::path relative = fs::path(util::ToUtf8(path)).lexically_normal();
    if (relative.empty() || relative.is_absolute() || relative.has_root_name() ||
        *relative.begin() == "..") {
        return std::nullopt;
    }
    return folder / relative;
}

std::vector<std::u16string> DocumentGames(const fs::path& folder) {
    std::vector<std::u16string> games;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(folder / "config" / "varnugames", error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > kDocumentSuffix.size() && name.ends_with(kDocumentSuffix) &&
            entry.is_regular_file(error)) {
            games.push_back(util::FromUtf8(name.substr(0, name.size() - kDocumentSuffix.size())));
        }
    }
    std::sort(games.begin(), games.end());
    return games;
}

} // namespace

std::uint32_t ReadTreeFile(const fs::path& folder, std::u16string_view path, std::u16string& text) {
    const std::optional<fs::path> file = FileInTree(folder, path);
    std::error_code error;
    if (!file || !fs::is_regular_file(*file, error)) {
        return kHttpNotFound;
    }
    const std::uintmax_t size = fs::file_size(*file, error);
    if (error) {
        return platform::kErrorAccessDenied;
    }
    if (size > net::kMaxTextBody) {
        return platform::kErrorNotEnoughMemory;
    }
    std::ifstream in(*file, std::ios::binary);
    if (!in) {
        return platform::kErrorAccessDenied;
    }
    const std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return platform::kErrorAccessDenied;
    }
    if (!body.empty()) {
        text = util::FromUtf8(std::string_view(body).substr(0, body.find('\0')));
    }
    return text.find(u"<html") != std::u16string::npos ? kErrorPage : 0;
}

std::optional<CdnTree> OpenFolderTree(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        return std::nullopt;
    }
    CdnTree tree;
    tree.name = folder.string();
    tree.fetch = [folder](std::u16string_view path, std::u16string& text) {
        return ReadTreeFile(folder, path, text);
    };
    tree.documentGames = DocumentGames(folder);
    return tree;
}

} // namespace vg::config_check
