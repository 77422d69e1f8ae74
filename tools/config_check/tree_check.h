// The check of a whole CDN tree: its list of games once, then each game.
#pragma once

#include "cdn_tree.h"
#include "check_result.h"

#include <string>
#include <vector>

namespace vg::config_check {

/// Checks the named games, or when none are named every game the list names and, for a
/// folder, every game with a document there. A list that no game start could get past is
/// reported once, and no game is checked then.
TreeResult CheckTree(const CdnTree& tree, const std::vector<std::u16string>& namedGames);

} // namespace vg::config_check
