// Conversions between UTF-16 and the code pages against the system's own converters: what a code
// page cannot hold, the code pages the system does not know, and the thread's ANSI code page.
#include "platform/code_page.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "support/code_page_scope.h"
#include "support/platform_quirks.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vg::platform {
namespace {

constexpr unsigned kUnknownCodePage = 12345;

TEST(CodePageTest, CharactersACodePageLacksBecomeQuestionMarksNotLookAlikes) {
    struct Case {
        unsigned codePage;
        std::u16string text;
        std::string bytes;
    };
    // Best fit would make a plain quote of the full-width one, "-" of the minus sign, "A" of
    // "A" with a macron and "e" of "e" with an acute accent.
    const std::vector<Case> cases = {
        {1252, u"\uFF02quoted\uFF02", "?quoted?"},
        {1252, u"5 \u2212 3", "5 ? 3"},
        {1252, u"\u0100\u00E9", "?\xE9"},
        {949, u"\uAC00\u00E9", "\xB0\xA1?"},
        {949, u"\uFF02", "\xA3\xA2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.codePage) + " " + util::ToUtf8(c.text));
        EXPECT_EQ(WideToMultiByte(c.codePage, c.text), std::optional<std::string>(c.bytes));
    }
}

TEST(CodePageTest, Utf8HoldsEveryCharacterAndReplacesUnpairedSurrogates) {
    const std::u16string text = u"a\u00E9\uAC00\U0001F600";
    const std::string utf8 = "a\xC3\xA9\xEA\xB0\x80\xF0\x9F\x98\x80";
    EXPECT_EQ(WideToMultiByte(kCodePageUtf8, text), std::optional<std::string>(utf8));
    EXPECT_EQ(MultiByteToWide(kCodePageUtf8, utf8), std::optional<std::u16string>(text));
    const std::u16string unpaired = {u'a', 0xD800, u'b', 0xDC00};
    EXPECT_EQ(WideToMultiByte(kCodePageUtf8, unpaired),
              std::optional<std::string>("a\xEF\xBF\xBD"
                                         "b\xEF\xBF\xBD"));
}

TEST(CodePageTest, UnknownCodePageGivesNothingWithTheLastErrorSet) {
    for (const std::u16string text : {u"", u"text"}) {
        SetLastError(kErrorSuccess);
        EXPECT_FALSE(WideToMultiByte(kUnknownCodePage, text).has_value());
        EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
        SetLastError(kErrorSuccess);
        EXPECT_FALSE(MultiByteToWide(kUnknownCodePage, util::ToUtf8(text)).has_value());
        EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
    }
    EXPECT_EQ(WideToMultiByte(1252, u""), std::optional<std::string>(""));
    EXPECT_EQ(MultiByteToWide(1252, ""), std::optional<std::u16string>(u""));
}

TEST(CodePageTest, ThreadCodePageKeepsItsChoiceWhenARefusedOneIsAsked) {
    const test::ScopedThreadAnsiCodePage korean(949);
    EXPECT_FALSE(SetThreadAnsiCodePage(kUnknownCodePage));
    EXPECT_FALSE(SetThreadAnsiCodePage(kCodePageThreadAnsi));
    EXPECT_EQ(WideToMultiByte(kCodePageThreadAnsi, u"\uAC00"),
              std::optional<std::string>("\xB0\xA1"));

    // UTF-8 is no locale's ANSI code page on Windows, and is the thread's all the same.
    ASSERT_TRUE(SetThreadAnsiCodePage(kCodePageUtf8));
    EXPECT_EQ(WideToMultiByte(kCodePageThreadAnsi, u"\uAC00"),
              std::optional<std::string>("\xEA\xB0\x80"));
    EXPECT_EQ(MultiByteToWide(kCodePageThreadAnsi, "\xEA\xB0\x80"),
              std::optional<std::u16string>(u"\uAC00"));

    ASSERT_TRUE(SetThreadAnsiCodePage(kCodePageSystemAnsi));
    EXPECT_EQ(WideToMultiByte(kCodePageThreadAnsi, u"\uAC00"),
              WideToMultiByte(kCodePageSystemAnsi, u"\uAC00"));
}

TEST(CodePageTest, CodePagesThatTakeNoFlagsStillConvert) {
    if (!test::kWindowsBuild) {
        GTEST_SKIP() << "the Linux build's iconv has no code page 65000";
    }
    // UTF-7 holds every character; Windows refuses the flag that turns best fit off for it.
    constexpr unsigned kUtf7 = 65000;
    const std::u16string text = u"a+\uAC00\u20AC\U0001F600";
    const std::optional<std::string> bytes = WideToMultiByte(kUtf7, text);
    ASSERT_TRUE(bytes.has_value()) << GetLastError();
    EXPECT_EQ(bytes->substr(0, 3), "a+-");
    EXPECT_EQ(MultiByteToWide(kUtf7, *bytes), std::optional<std::u16string>(text));
}

} // namespace
} // namespace vg::platform
