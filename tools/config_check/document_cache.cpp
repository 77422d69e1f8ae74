// Remembered answers of a document fetcher.
#include "document_cache.h"

#include <map>
#include <memory>
#include <utility>

namespace vg::config_check {
namespace {

struct Answer {
    std::uint32_t result = 0;
    std::u16string text;
};

} // namespace

config::DocumentFetcher CachedFetcher(config::DocumentFetcher fetch) {
    auto answers = std::make_shared<std::map<std::u16string, Answer, std::less<>>>();
    return [fetch = std::move(fetch), answers](std::u16string_view path, std::u16string& text) {
        auto found = answers->find(path);
        if (found == answers->end()) {
            Answer answer;
            answer.result = fetch(path, answer.text);
            found = answers->emplace(std::u16string(path), std::move(answer)).first;
        }
        // The fetch wrote nothing when it failed or read an empty body: the caller's text then
        // stays as it was, as it would have.
        if (!found->second.text.empty()) {
            text = found->second.text;
        }
        return found->second.result;
    };
}

} // namespace vg::config_check
