// The dispatch table from game name to mode routine.
#include "app/mode_dispatch.h"

#include "util/wide_text.h"

#include <array>
#include <utility>

namespace vg::app {

ModeRoutine ChooseModeRoutine(std::u16string_view gameName) {
    static constexpr std::array<std::pair<std::u16string_view, ModeRoutine>, 5> kActions = {{
        {u"pcregister", ModeRoutine::RegisterPc},
        {u"pcverify", ModeRoutine::VerifyPc},
        {u"pcregisterV2", ModeRoutine::RegisterPcV2},
        {u"pcverifyV2", ModeRoutine::VerifyPcV2},
        {u"pcspec", ModeRoutine::SendPcSpec},
    }};
    for (const auto& [word, routine] : kActions) {
        if (util::EqualsIgnoreAsciiCase(gameName, word)) {
            return routine;
        }
    }
    return ModeRoutine::StartGame;
}

} // namespace vg::app
