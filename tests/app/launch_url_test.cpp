// Launch URL parsing: accepted and rejected URLs, and how each field is cleaned.
#include "app/launch_url.h"

#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::app {
namespace {

struct UrlCase {
    const char16_t* url;
    int accepted;
    LaunchFields expected;
};

void PrintTo(const UrlCase& c, std::ostream* os) {
    *os << util::ToUtf8(c.url);
}

class LaunchUrlTest : public testing::TestWithParam<UrlCase> {};

TEST_P(LaunchUrlTest, FillsTheFields) {
    const UrlCase& c = GetParam();
    LaunchFields fields;
    EXPECT_EQ(ParseLaunchUrl(c.url, fields), c.accepted);
    EXPECT_EQ(util::ToUtf8(fields.gameName), util::ToUtf8(c.expected.gameName));
    EXPECT_EQ(util::ToUtf8(fields.mode), util::ToUtf8(c.expected.mode));
    EXPECT_EQ(util::ToUtf8(fields.launcherFile), util::ToUtf8(c.expected.launcherFile));
    EXPECT_EQ(util::ToUtf8(fields.encStr), util::ToUtf8(c.expected.encStr));
    EXPECT_EQ(util::ToUtf8(fields.mid), util::ToUtf8(c.expected.mid));
    EXPECT_EQ(util::ToUtf8(fields.agent), util::ToUtf8(c.expected.agent));
    EXPECT_EQ(util::ToUtf8(fields.channel), util::ToUtf8(c.expected.channel));
    EXPECT_EQ(fields.isGameStart, c.expected.isGameStart);
}

const LaunchFields kGame{u"game", u"live", u"Launcher.exe", u"abc", u"", u"", u"", 1};

INSTANTIATE_TEST_SUITE_P(
    Urls, LaunchUrlTest,
    testing::Values(
        UrlCase{u"varnugamesstarter://game|live|Launcher.exe|abc", 1, kGame},
        UrlCase{u"\"varnugamesstarter://game|live|Launcher.exe|abc\"", 1, kGame},
        UrlCase{u"varnugamesstarter://game%7Clive%7CLauncher.exe%7Cabc", 1, kGame},
        UrlCase{u"varnugamesstarter://game||live|Launcher.exe|abc", 1, kGame},
        UrlCase{u"varnugamesstarter://|||game|live|Launcher.exe|abc|", 1, kGame},
        // Only the upper-case escape is decoded: the rest is one token, and encStr is empty.
        UrlCase{u"varnugamesstarter://game%7clive%7cLauncher.exe%7cabc",
                0,
                {u"game%7clive%7cLauncher.exe%7cabc", u"", u"", u"", u"", u"", u"", 0}},
        // The scheme is matched case-sensitively; without it no field is touched.
        UrlCase{u"VARNUGAMESSTARTER://game|live|Launcher.exe|abc", 0, {}},
        UrlCase{u"game|live|Launcher.exe|abc", 0, {}},
        UrlCase{u"varnugamesstarter://game|live|Launcher.exe",
                0,
                {u"game", u"live", u"Launcher.exe", u"", u"", u"", u"", 0}},
        UrlCase{u"varnugamesstarter://PcSpec|live|x|abc/",
                1,
                {u"PcSpec", u"live", u"x", u"abc", u"", u"", u"", 0}},
        UrlCase{u"varnugamesstarter://ga(me)|li&ve|La^unch<er>.exe|a^b",
                1,
                {u"game", u"live", u"Launcher.exe", u"ab", u"", u"", u"", 1}},
        UrlCase{u"varnugamesstarter://game|live|Launcher.exe| abc |m1|ag|ch/",
                1,
                {u"game", u"live", u"Launcher.exe", u"abc", u"m1", u"ag", u"ch", 1}},
        UrlCase{u"varnugamesstarter://game|live|Launcher.exe|&&",
                0,
                {u"game", u"live", u"Launcher.exe", u"", u"", u"", u"", 0}},
        UrlCase{u"varnugamesstarter://game|live|L.exe|t|m|a|c|eighth|ninth",
                1,
                {u"game", u"live", u"L.exe", u"t", u"m", u"a", u"c", 1}},
        // "/" leaves the launcher file and the later fields, never the game name or the mode.
        UrlCase{u"varnugamesstarter://g/x|l/y|dir/Launcher.exe|t/o/k",
                1,
                {u"g/x", u"l/y", u"dirLauncher.exe", u"tok", u"", u"", u"", 1}},
        // The launcher file is not trimmed; the later fields are, also of Unicode spaces.
        UrlCase{u"varnugamesstarter://game|live| L.exe |\u3000tok\u00a0|\tm\n",
                1,
                {u"game", u"live", u" L.exe ", u"tok", u"m", u"", u"", 1}},
        UrlCase{u"varnugamesstarter://game|live|L.exe|   ",
                0,
                {u"game", u"live", u"L.exe", u"", u"", u"", u"", 0}},
        // Backquotes and every other special character go from every field.
        UrlCase{u"varnugamesstarter://`g`|\"m\"|L|t|(m)|<a>|c^",
                1,
                {u"g", u"m", u"L", u"t", u"m", u"a", u"c", 1}},
        // The scheme is removed wherever it stands, in one pass.
        UrlCase{u"varnugamesstarter://game|varnugamesstarter://live|L|t",
                1,
                {u"game", u"live", u"L", u"t", u"", u"", u"", 1}},
        UrlCase{u"varnugamesstarter://", 0, {}}));

struct ActionCase {
    const char16_t* gameName;
    int isGameStart;
};

void PrintTo(const ActionCase& c, std::ostream* os) {
    *os << util::ToUtf8(c.gameName);
}

class ActionWordTest : public testing::TestWithParam<ActionCase> {};

TEST_P(ActionWordTest, ClassifiesTheRun) {
    LaunchFields fields;
    const std::u16string url =
        std::u16string(u"varnugamesstarter://") + GetParam().gameName + u"|live|L.exe|tok";
    ASSERT_EQ(ParseLaunchUrl(url, fields), 1);
    EXPECT_EQ(fields.isGameStart, GetParam().isGameStart);
}

INSTANTIATE_TEST_SUITE_P(Words, ActionWordTest,
                         testing::Values(ActionCase{u"pcregisterV2", 0},
                                         ActionCase{u"PCVERIFYV2", 0}, ActionCase{u"pcregister", 0},
                                         ActionCase{u"PcVerify", 0}, ActionCase{u"pcspec", 0},
                                         ActionCase{u"pcspec2", 1}, ActionCase{u"pcregisterV3", 1},
                                         ActionCase{u"pc spec", 1}, ActionCase{u"game", 1}));

} // namespace
} // namespace vg::app
