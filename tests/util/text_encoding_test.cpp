// ANSI code page conversions, UTF-8 and the percent-encoding of form values.
#include "util/text_encoding.h"

#include "support/code_page_scope.h"
#include "support/platform_quirks.h"

#include <gtest/gtest.h>

#include <system_error>
#include <thread>

namespace vg::util {
namespace {

using test::ScopedThreadAnsiCodePage;

TEST(TextEncodingTest, KoreanTextUnderCodePage949) {
    ScopedThreadAnsiCodePage korean(949);
    EXPECT_EQ(ToAnsi(u"가A"), "\xB0\xA1"
                              "A");
    EXPECT_EQ(FromAnsi("\xB0\xA1"
                       "A"),
              u"가A");
    // 949 cannot hold these characters: each becomes "?". Windows replaces each half of a
    // surrogate pair; iconv replaces the whole character.
    EXPECT_EQ(ToAnsi(u"a\u20AC\u00E9b\U0001F600c"),
              test::kWindowsBuild ? "a\xA2\xE6?b??c" : "a\xA2\xE6?b?c");
    EXPECT_EQ(UrlEncodeAnsi(u"가 나"), u"%B0%A1%20%B3%AA");
}

TEST(TextEncodingTest, WesternTextUnderCodePage1252) {
    ScopedThreadAnsiCodePage western(1252);
    EXPECT_EQ(ToAnsi(u"é€"), "\xE9\x80");
    EXPECT_EQ(FromAnsi("\xE9\x80"), u"é€");
    EXPECT_EQ(ToAnsi(u"가"), "?");
    EXPECT_EQ(UrlEncodeAnsi(u"é"), u"%E9");
}

TEST(TextEncodingTest, InvalidBytesBecomeReplacementCharacters) {
    if (test::kWindowsBuild) {
        GTEST_SKIP() << "Windows gives the code page's default character for invalid bytes, and "
                        "its system code page is not UTF-8";
    }
    {
        ScopedThreadAnsiCodePage korean(949);
        // A lead byte followed by a byte that cannot trail it, and a lead byte cut off at the end.
        EXPECT_EQ(FromAnsi("a\xB0"
                           "\x01"
                           "b\xB0"),
                  u"a\uFFFD\u0001b\uFFFD");
    }
    EXPECT_EQ(FromAnsi("a\xFF"
                       "b"),
              u"a\uFFFDb");
}

TEST(TextEncodingTest, ConversionsStopAtTheTerminator) {
    EXPECT_EQ(ToAnsi(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(FromAnsi(std::string("ab\0cd", 5)), u"ab");
}

TEST(TextEncodingTest, DefaultCodePageOfTheCLocaleIsUtf8) {
    if (test::kWindowsBuild) {
        GTEST_SKIP() << "the C locale's code set is the Linux build's ANSI code page";
    }
    EXPECT_EQ(ToAnsi(u"가"), "\xEA\xB0\x80");
    EXPECT_EQ(UrlEncodeAnsi(u"가"), u"%EA%B0%80");
}

TEST(TextEncodingTest, UrlEncodeAnsiKeepsOnlyUnreservedBytes) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"", u""},
        {u"a b/c", u"a%20b%2Fc"},
        {u"Intel(R)", u"Intel%28R%29"},
        {u"-._~", u"-._~"},
        {u"AZaz09", u"AZaz09"},
        {u"+&=%", u"%2B%26%3D%25"},
        {u"\u00ff", u"%C3%BF"},
    };
    ScopedThreadAnsiCodePage utf8(65001);
    for (const auto& [text, encoded] : cases) {
        EXPECT_EQ(UrlEncodeAnsi(text), encoded) << ToUtf8(text);
    }
}

TEST(TextEncodingTest, Utf8RoundTripAndReplacement) {
    const std::u16string text = u"a\u00e9\u20ac\U0001F600";
    EXPECT_EQ(ToUtf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    // Unpaired surrogates leave as U+FFFD.
    EXPECT_EQ(ToUtf8(std::u16string{0xD800, u'x', 0xDC00}), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    const std::vector<std::pair<std::string, std::u16string>> invalid = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xE2\x82", u"\uFFFD"},                           // cut short
        {"\x80x", u"\uFFFDx"},                             // stray continuation byte
    };
    // Wine's decoder takes a lead byte and a continuation byte that may not follow it as one bad
    // sequence; Windows and the Linux build replace each byte that cannot start a character.
    const bool countsEachByte = !test::RunningUnderWine();
    for (const auto& [bytes, decoded] : invalid) {
        if (countsEachByte || decoded.size() <= 2) {
            EXPECT_EQ(FromUtf8(bytes), decoded);
        }
    }
}

TEST(TextEncodingTest, CodePageIsAPerThreadSetting) {
    const std::string systemForm = ToAnsi(u"가");
    ScopedThreadAnsiCodePage korean(949);
    std::string otherThread;
    std::thread([&] { otherThread = ToAnsi(u"가"); }).join();
    EXPECT_EQ(otherThread, systemForm);
    EXPECT_EQ(ToAnsi(u"가"), "\xB0\xA1");
}

TEST(TextEncodingTest, UnknownCodePageIsRefused) {
    EXPECT_FALSE(platform::SetThreadAnsiCodePage(12345));
    EXPECT_FALSE(platform::WideToMultiByte(12345, u"a").has_value());
    EXPECT_FALSE(platform::MultiByteToWide(12345, "a").has_value());
}

} // namespace
} // namespace vg::util
