// The choice of mode routine and of the environment.
#include "app/mode_dispatch.h"
#include "app/varnugames_starter_app.h"

#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

namespace vg::app {
namespace {

TEST(ModeDispatchTest, ChoosesTheRoutineByWholeWordInAnyCase) {
    const std::vector<std::pair<std::u16string, ModeRoutine>> cases = {
        {u"pcregister", ModeRoutine::RegisterPc},     {u"PCREGISTER", ModeRoutine::RegisterPc},
        {u"pcverify", ModeRoutine::VerifyPc},         {u"pcregisterV2", ModeRoutine::RegisterPcV2},
        {u"pcregisterv2", ModeRoutine::RegisterPcV2}, {u"PcVerifyV2", ModeRoutine::VerifyPcV2},
        {u"PCSPEC", ModeRoutine::SendPcSpec},         {u"pcspec2", ModeRoutine::StartGame},
        {u"pcregister ", ModeRoutine::StartGame},     {u"mygame", ModeRoutine::StartGame},
    };
    for (const auto& [gameName, routine] : cases) {
        EXPECT_EQ(ChooseModeRoutine(gameName), routine) << util::ToUtf8(gameName);
    }
}

TEST(ModeDispatchTest, LiveWhenTheModeContainsRealOrLive) {
    for (const char16_t* live : {u"LIVE", u"live", u"Real", u"reality", u"prelive", u"xREALx"}) {
        EXPECT_TRUE(IsLiveMode(live)) << util::ToUtf8(live);
    }
    for (const char16_t* test : {u"qa", u"stage", u"test", u"rea", u"li ve", u""}) {
        EXPECT_FALSE(IsLiveMode(test)) << util::ToUtf8(test);
    }
}

TEST(ModeDispatchTest, CdnBaseIsTheHostAndTheTree) {
    EXPECT_EQ(CdnBase(false), std::u16string(deployment::kCdnHost) + u"/live/");
    EXPECT_EQ(CdnBase(true), std::u16string(deployment::kCdnHost) + u"/test/");
}

} // namespace
} // namespace vg::app
