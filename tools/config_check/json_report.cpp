// The JSON report, built with nlohmann/json; every text is UTF-8.
#include "json_report.h"

#include "starter_failures.h"
#include "util/text_encoding.h"

#include <nlohmann/json.hpp>

namespace vg::config_check {
namespace {

using Json = nlohmann::ordered_json;

Json Texts(const std::vector<std::u16string>& texts) {
    Json array = Json::array();
    for (const std::u16string& text : texts) {
        array.push_back(util::ToUtf8(text));
    }
    return array;
}

Json Failure(const StarterFailure& failure) {
    return {{"event", util::ToUtf8(failure.event)},
            {"code", ResultCodeText(failure.result)},
            {"message", failure.message},
            {"description", util::ToUtf8(failure.description)}};
}

Json Failures(const std::vector<StarterFailure>& failures) {
    Json array = Json::array();
    for (const StarterFailure& failure : failures) {
        array.push_back(Failure(failure));
    }
    return array;
}

Json Mode(const ModeResult& mode) {
    Json warnings = Json::array();
    for (const Warning& warning : mode.warnings) {
        warnings.push_back({{"key", warning.key}, {"text", util::ToUtf8(warning.text)}});
    }
    return {{"mode", util::ToUtf8(mode.mode)},
            {"ok", mode.Passed()},
            {"errors", Failures(mode.failures)},
            {"warnings", std::move(warnings)}};
}

Json Game(const GameResult& game) {
    Json modes = Json::array();
    for (const ModeResult& mode : game.modes) {
        modes.push_back(Mode(mode));
    }
    return {{"game", util::ToUtf8(game.game)},
            {"listed", game.listed},
            {"ok", game.Passed()},
            {"errors", Failures(game.failures)},
            {"notes", Texts(game.notes)},
            {"modes", std::move(modes)}};
}

} // namespace

std::string JsonReport(const TreeResult& result) {
    Json games = Json::array();
    for (const GameResult& game : result.games) {
        games.push_back(Game(game));
    }
    const Json report = {
        {"tree", result.tree},
        {"ok", result.Passed()},
        {"list_error", result.listFailure ? Failure(*result.listFailure) : Json(nullptr)},
        {"notes", Texts(result.notes)},
        {"games", std::move(games)},
    };
    return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace vg::config_check
