// Whether a game and a tree passed: every failure fails, warnings do not.
#include "check_result.h"

#include <algorithm>

namespace vg::config_check {

bool GameResult::Passed() const {
    return failures.empty() &&
           std::all_of(modes.begin(), modes.end(), [](const ModeResult& m) { return m.Passed(); });
}

bool TreeResult::Passed() const {
    return !listFailure &&
           std::all_of(games.begin(), games.end(), [](const GameResult& g) { return g.Passed(); });
}

} // namespace vg::config_check
