// One game's check: the starter's loader run for each mode, then the start flow's name checks.
#include "game_check.h"

#include "config/config_reader.h"
#include "config_warnings.h"
#include "document_outline.h"
#include "starter_failures.h"
#include "startflow/safe_names.h"
#include "util/text_encoding.h"

#include <nlohmann/json.hpp>

namespace vg::config_check {
namespace {

bool IsUnlisted(const config::DocumentFetcher& fetch, std::u16string_view game) {
    std::u16string list;
    if (fetch(config::kServiceListPath, list) != 0) {
        return false;
    }
    try {
        return config::ReadServiceList(util::ToUtf8(list), game) ==
               config::ServiceListResult::Unlisted;
    } catch (const config::ConfigTypeError&) {
        return false; // the loader reports the list's type error for this game
    }
}

/// The tree as it would be with the game added to its list, so that an unlisted game's
/// document is still read by the loader.
config::DocumentFetcher WithGameListed(const config::DocumentFetcher& fetch,
                                       std::u16string_view game) {
    const nlohmann::json list = {{"service_games", {util::ToUtf8(game)}}};
    return [fetch, listText = util::FromUtf8(list.dump())](std::u16string_view path,
                                                           std::u16string& text) {
        if (path == config::kServiceListPath) {
            text = listText;
            return std::uint32_t{0};
        }
        return fetch(path, text);
    };
}

std::vector<std::u16string> ModesOf(const config::DocumentFetcher& fetch,
                                    std::u16string_view game) {
    std::u16string document;
    if (fetch(config::GameDocumentPath(game), document) != 0) {
        return {};
    }
    return ModeNames(util::ToUtf8(document), game);
}

/// Without a mode to load, the document is loaded for a mode it does not have: this shows a
/// document the loader cannot read, or one whose every mode fails validation.
void CheckWithoutModes(const config::DocumentFetcher& fetch, GameResult& result) {
    config::GameConfig config;
    std::u16string errorText;
    if (config::FetchConfig(fetch, result.game, u"", config, errorText) != 1) {
        result.failures.push_back(FetchFailure(errorText));
        return;
    }
    result.failures.push_back(ValidationFailure(config::ValidationCode(config)));
    result.notes.push_back(u"the document has no mode section for the game, so a start in any "
                           u"mode fails validation");
}

void AddRefusedNames(const config::GameConfig& config, ModeResult& result) {
    // An empty installer name already fails validation; the start never gets this far.
    if (!config.SetupName.empty()) {
        if (const auto refusal = startflow::RefusedInstallerName(config.SetupName)) {
            result.failures.push_back(InstallerRefusal(*refusal));
        }
    }
    for (const std::u16string& file : config.CheckFiles) {
        if (const auto refusal = startflow::RefusedCheckFileName(file)) {
            result.failures.push_back(CheckFileRefusal(*refusal));
        }
    }
}

} // namespace

ModeResult CheckMode(const config::DocumentFetcher& fetch, std::u16string_view game,
                     std::u16string_view mode) {
    ModeResult result;
    result.mode = mode;
    config::GameConfig config;
    std::u16string errorText;
    if (config::FetchConfig(fetch, game, mode, config, errorText) != 1) {
        result.failures.push_back(FetchFailure(errorText));
        return result;
    }
    if (const int code = config::ValidationCode(config); code != 0) {
        result.failures.push_back(ValidationFailure(code));
    }
    AddRefusedNames(config, result);
    result.warnings = RunTimeWarnings(config);
    return result;
}

GameResult CheckGame(const config::DocumentFetcher& fetch, std::u16string_view game) {
    GameResult result;
    result.game = game;
    config::DocumentFetcher documents = fetch;
    if (IsUnlisted(fetch, game)) {
        result.listed = false;
        config::GameConfig config;
        std::u16string errorText;
        config::FetchConfig(fetch, game, u"", config, errorText);
        result.failures.push_back(FetchFailure(errorText));
        result.notes.push_back(u"\"service_games\" does not name the game; its modes are "
                               u"checked as they would be once it is listed");
        documents = WithGameListed(fetch, game);
    }
    const std::vector<std::u16string> modes = ModesOf(documents, game);
    if (modes.empty()) {
        CheckWithoutModes(documents, result);
    }
    for (const std::u16string& mode : modes) {
        result.modes.push_back(CheckMode(documents, game, mode));
    }
    return result;
}

} // namespace vg::config_check
