// The check of one game: its document in each mode it has, read and validated by the starter's
// own loader, with the names the start flow would refuse and the run-time warnings.
#pragma once

#include "check_result.h"
#include "config/config_loader.h"

#include <string_view>

namespace vg::config_check {

/// Checks one mode of the game as a game start in that mode would load it.
ModeResult CheckMode(const config::DocumentFetcher& fetch, std::u16string_view game,
                     std::u16string_view mode);

/// Checks the game in every mode its document has. A game the list does not name fails with
/// the starter's "not listed" text, and its modes are checked as they would be once listed. A
/// document without modes, or that cannot be read, fails as a whole.
GameResult CheckGame(const config::DocumentFetcher& fetch, std::u16string_view game);

} // namespace vg::config_check
