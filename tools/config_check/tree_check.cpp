// The list of games first, then the games to check, each against the same documents.
#include "tree_check.h"

#include "config/config_reader.h"
#include "document_cache.h"
#include "document_outline.h"
#include "game_check.h"
#include "starter_failures.h"
#include "util/text_encoding.h"

#include <algorithm>

namespace vg::config_check {
namespace {

void AddOnce(const std::u16string& game, std::vector<std::u16string>& games) {
    if (std::find(games.begin(), games.end(), game) == games.end()) {
        games.push_back(game);
    }
}

std::vector<std::u16string> GamesToCheck(const CdnTree& tree, const ListOutline& list,
                                         const std::vector<std::u16string>& namedGames) {
    std::vector<std::u16string> games;
    for (const std::u16string& game : namedGames.empty() ? list.names : namedGames) {
        AddOnce(game, games);
    }
    if (namedGames.empty() && tree.documentGames) {
        for (const std::u16string& game : *tree.documentGames) {
            AddOnce(game, games);
        }
    }
    return games;
}

/// Whether no game start can get past the list: it cannot be fetched or read, or it names no
/// game and holds an entry the loader refuses, which every game's search then meets.
bool ListFailsEveryGame(std::uint32_t listResult, const std::u16string& listText,
                        const ListOutline& list) {
    if (listResult != 0 || !list.readable) {
        return true;
    }
    if (!list.names.empty()) {
        return false;
    }
    try {
        config::ReadServiceList(util::ToUtf8(listText), u"");
        return false;
    } catch (const config::ConfigTypeError&) {
        return true;
    }
}

} // namespace

TreeResult CheckTree(const CdnTree& tree, const std::vector<std::u16string>& namedGames) {
    TreeResult result;
    result.tree = tree.name;
    const config::DocumentFetcher fetch = CachedFetcher(tree.fetch);

    std::u16string listText;
    const std::uint32_t listResult = fetch(config::kServiceListPath, listText);
    const ListOutline list =
        listResult == 0 ? OutlineServiceList(util::ToUtf8(listText)) : ListOutline{};
    if (ListFailsEveryGame(listResult, listText, list)) {
        // The loader words the failure: it is the same for any game.
        config::GameConfig config;
        std::u16string errorText;
        if (config::FetchConfig(fetch, u"", u"", config, errorText) != 1) {
            result.listFailure = FetchFailure(errorText);
            return result;
        }
    }
    const std::vector<std::u16string> games = GamesToCheck(tree, list, namedGames);
    if (games.empty()) {
        result.notes.push_back(u"no game to check: \"service_games\" names none");
    }
    for (const std::u16string& game : games) {
        result.games.push_back(CheckGame(fetch, game));
    }
    return result;
}

} // namespace vg::config_check
