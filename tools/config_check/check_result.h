// What a check of a CDN tree found: for the tree, each game and each mode, the failures the
// starter would report and the warnings about what would hurt at run time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vg::config_check {

/// One failure as the starter reports it: a telemetry event and the numbered notice it shows.
struct StarterFailure {
    std::u16string event;       ///< the event's action code: "INIT", "INSTALL" or "PATCH"
    std::uint32_t result = 0;   ///< the event's action result, e.g. 0xA0030002
    int message = 0;            ///< the number of the notice the user sees
    std::u16string description; ///< the event's description, as the starter words it
};

/// A value the starter accepts but that would hurt at run time.
struct Warning {
    std::string key;     ///< the document key it is about
    std::u16string text; ///< what is wrong and what it does
};

struct ModeResult {
    std::u16string mode;
    std::vector<StarterFailure> failures;
    std::vector<Warning> warnings;

    [[nodiscard]] bool Passed() const { return failures.empty(); }
};

struct GameResult {
    std::u16string game;
    /// False when "service_games" does not name the game; its modes are then checked as they
    /// would be once it is listed.
    bool listed = true;
    /// Failures of the game as a whole: not listed, its document unreadable, no mode section.
    std::vector<StarterFailure> failures;
    std::vector<std::u16string> notes;
    std::vector<ModeResult> modes;

    [[nodiscard]] bool Passed() const;
};

struct TreeResult {
    std::string tree; ///< the folder or URL as given
    /// A failure of the list of games itself, which every game start would meet; the games are
    /// not checked then.
    std::optional<StarterFailure> listFailure;
    std::vector<std::u16string> notes;
    std::vector<GameResult> games;

    [[nodiscard]] bool Passed() const;
};

} // namespace vg::config_check
