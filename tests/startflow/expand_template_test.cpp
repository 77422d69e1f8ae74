// The launch-parameter templates and their order of replacement.
#include "startflow/game_starter.h"

#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::startflow {
namespace {

class ExpandTemplateTest : public testing::Test {
protected:
    ExpandTemplateTest()
        : starter_({.sendEvent = {}, .sequenceKey = [this] {
                        ++keyReads_;
                        return std::u16string(u"0123456789ABCDEF0123456789ABCDEF");
                    }}) {
        starter_.GameName = u"mygame";
        starter_.Mode = u"live";
        starter_.EncStr = u"tok";
        starter_.Mid = u"m1";
        starter_.Channel = u"web";
        starter_.Agent = u"ag";
    }

    int keyReads_ = 0;
    CGameStarter starter_;
};

TEST_F(ExpandTemplateTest, FillsEachPlaceholder) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"-game={GAMENAME} -mode={Mode} -enc={EncStr} -mid={MID} -ch={CHANNEL} -ag={AGENT}",
         u"-game=mygame -mode=live -enc=tok -mid=m1 -ch=web -ag=ag"},
        {u"{MID}{MID} {mode} {MODE} {Unknown} \"quoted\"",
         u"m1m1 {mode} {MODE} {Unknown} \"quoted\""},
        {u"-key={KEY}", u"-key=0123456789ABCDEF0123456789ABCDEF"},
        {u"", u""},
    };
    for (const auto& [text, expanded] : cases) {
        EXPECT_EQ(util::ToUtf8(starter_.ExpandTemplate(text)), util::ToUtf8(expanded));
    }
}

TEST_F(ExpandTemplateTest, TheKeyIsReadOnlyWhenTheTemplateAsksForIt) {
    starter_.ExpandTemplate(u"-mid={MID}");
    EXPECT_EQ(keyReads_, 0);
    starter_.ExpandTemplate(u"{KEY}");
    EXPECT_EQ(keyReads_, 1);
}

TEST_F(ExpandTemplateTest, LaterPlaceholdersExpandInsertedText) {
    starter_.Mid = u"{KEY}";
    starter_.Channel = u"{GAMENAME}";
    starter_.Agent = u"";
    EXPECT_EQ(util::ToUtf8(starter_.ExpandTemplate(u"{MID}|{CHANNEL}|{AGENT}|")),
              "0123456789ABCDEF0123456789ABCDEF|{GAMENAME}||");
}

} // namespace
} // namespace vg::startflow
