// The host form of a tree: the starter's own GET of a document below the CDN base.
#include "host_tree.h"

#include "net/http_get.h"
#include "util/text_encoding.h"

namespace vg::config_check {
namespace {

constexpr std::string_view kHttps = "https://";

} // namespace

std::optional<std::u16string> CdnBaseOfUrl(std::string_view url, std::string& problem) {
    if (!url.starts_with(kHttps)) {
        problem = "the starter fetches its configuration over HTTPS only: give an https:// URL";
        return std::nullopt;
    }
    const std::string_view rest = url.substr(kHttps.size());
    const std::string_view host = rest.substr(0, rest.find('/'));
    std::string_view path = host.size() < rest.size() ? rest.substr(host.size()) : "/";
    if (host.empty()) {
        problem = "the URL names no host";
        return std::nullopt;
    }
    if (host.find_first_of(":@") != std::string_view::npos) {
        problem = "the starter always connects to port 443 and sends no user; route the host "
                  "elsewhere with VARNUGAMES_CONNECT_TO";
        return std::nullopt;
    }
    if (path.find_first_of("?#") != std::string_view::npos) {
        problem = "the CDN base cannot hold a query or a fragment";
        return std::nullopt;
    }
    std::string base = std::string(host) + std::string(path);
    if (!base.ends_with('/')) {
        base += '/';
    }
    return util::FromUtf8(base);
}

std::optional<CdnTree> OpenHostTree(std::string_view url, std::string& problem) {
    std::optional<std::u16string> cdnBase = CdnBaseOfUrl(url, problem);
    if (!cdnBase) {
        return std::nullopt;
    }
    CdnTree tree;
    tree.name = std::string(url);
    tree.fetch = [base = std::move(*cdnBase)](std::u16string_view path, std::u16string& text) {
        return net::HttpGetText(base, std::u16string(path), 1, text);
    };
    return tree;
}

} // namespace vg::config_check
