// Reading the CDN's two configuration documents: the list of games that may be started, and a
// game's document with one section per service mode.
#pragma once

#include "config/game_config.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace vg::config {

/// A value of another JSON type than its place allows, or a level that is not an object where
/// a member is looked up. The message names the place and both types.
class ConfigTypeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ServiceListResult {
    Listed,
    NotJson,     ///< reported with "ErrorCode = 0"
    MissingList, ///< "service_games" missing or null: "ErrorCode = 1"
    Unlisted,    ///< the game is not in the list: "ErrorCode = 2"
};

/// Whether "service_games" (an array, an object's values, or one string; nulls skipped) names
/// the game, compared without regard to the case of A-Z. Throws ConfigTypeError.
ServiceListResult ReadServiceList(std::string_view utf8Document, std::u16string_view gameName);

enum class GameDocumentResult {
    Read,        ///< also when the mode has no section: the defaults stay
    NotJson,     ///< "ErrorCode = 0"
    MissingGame, ///< no member named after the game: "ErrorCode = 1"
};

/// Reads the section root[gameName][mode] into `config` (names matched exactly). A missing or
/// null key keeps its member's default. Throws ConfigTypeError.
GameDocumentResult ReadGameDocument(std::string_view utf8Document, std::u16string_view gameName,
                                    std::u16string_view mode, GameConfig& config);

} // namespace vg::config
