// Which mode routine a run's game name selects.
#pragma once

#include <string_view>

namespace vg::app {

enum class ModeRoutine {
    RegisterPc,   ///< "pcregister": PC registration, first protocol, register
    VerifyPc,     ///< "pcverify": first protocol, verify
    RegisterPcV2, ///< "pcregisterV2": second protocol, register
    VerifyPcV2,   ///< "pcverifyV2": second protocol, verify
    SendPcSpec,   ///< "pcspec": the PC report
    StartGame,    ///< any other text: the game start
};

/// The routine for a game name, compared as a whole text without regard to letter case.
ModeRoutine ChooseModeRoutine(std::u16string_view gameName);

} // namespace vg::app
