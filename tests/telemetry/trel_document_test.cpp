// The telemetry event document: member order, escapes, results, identity and length limits.
#include "telemetry/trel_document.h"

#include "support/code_page_scope.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vg::telemetry {
namespace {

TrelIdentity LiveIdentity() {
    return MakeTrelIdentity(0, u"mygame", u"m1", u"0123456789ABCDEF0123456789ABCDEF", u"1.2.3.4");
}

std::string Document(const TrelIdentity& identity, std::string_view actionCode,
                     std::uint32_t result, std::u16string_view description,
                     std::size_t maxBytes = kMaxTrelBodyBytes) {
    return BuildEventDocument(identity, actionCode, result, description, maxBytes).value_or("");
}

/// The text between `"description":"` and the closing quotation mark, as serialised.
std::string SerialisedDescription(const std::string& document) {
    const std::string opening = "\"description\":\"";
    const std::size_t start = document.find(opening);
    if (start == std::string::npos) {
        return "<absent>";
    }
    const std::size_t end = document.find("\",\"sequence_key\"", start);
    return document.substr(start + opening.size(), end - start - opening.size());
}

TEST(TrelDocumentTest, MembersAreSortedAndAnEmptyDescriptionIsLeftOut) {
    EXPECT_EQ(Document(LiveIdentity(), "INIT", 0, u""),
              "{\"data\":{\"action_code\":\"INIT\",\"action_result\":\"00000000\","
              "\"add_params\":{\"version\":\"1.2.3.4\"},"
              "\"sequence_key\":\"0123456789ABCDEF0123456789ABCDEF\"},"
              "\"mid\":\"m1\",\"mode\":\"production\",\"product_code\":\"varnugamesstarter\","
              "\"service_code\":\"mygame\",\"topic\":\"launcher-user-topic\"}");
    EXPECT_EQ(Document(LiveIdentity(), "LAUNCH", 0xA0060001, u"no launcher"),
              "{\"data\":{\"action_code\":\"LAUNCH\",\"action_result\":\"A0060001\","
              "\"add_params\":{\"version\":\"1.2.3.4\"},\"description\":\"no launcher\","
              "\"sequence_key\":\"0123456789ABCDEF0123456789ABCDEF\"},"
              "\"mid\":\"m1\",\"mode\":\"production\",\"product_code\":\"varnugamesstarter\","
              "\"service_code\":\"mygame\",\"topic\":\"launcher-user-topic\"}");
}

TEST(TrelDocumentTest, TestRunsKeepModeProductionAndChangeTheTopic) {
    const TrelIdentity test = MakeTrelIdentity(1, u"g", u"m", u"", u"");
    EXPECT_EQ(test.topic, u"production-test-topic");
    EXPECT_EQ(test.mode, u"production");
    EXPECT_EQ(MakeTrelIdentity(0, u"g", u"m", u"", u"").topic, u"launcher-user-topic");
    const std::string document = Document(test, "START", 0, u"");
    EXPECT_NE(document.find("\"mode\":\"production\",\"product_code\""), std::string::npos);
    EXPECT_NE(document.find("\"sequence_key\":\"\"},"), std::string::npos);
    EXPECT_NE(document.find("\"version\":\"\"}"), std::string::npos);
    EXPECT_NE(document.find("\"topic\":\"production-test-topic\"}"), std::string::npos);
}

TEST(TrelDocumentTest, ResultsAreUpperCaseHexadecimalWithoutLeadingZeros) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {0, "00000000"}, {0xA0060001, "A0060001"}, {0xA0030001, "A0030001"}, {10, "A"}, {5, "5"},
        {0x10, "10"},    {0x00ABCDEF, "ABCDEF"},   {0xFFFFFFFF, "FFFFFFFF"},
    };
    for (const auto& [result, text] : cases) {
        EXPECT_EQ(FormatActionResult(result), text) << result;
        EXPECT_NE(
            Document(LiveIdentity(), "X", result, u"").find("\"action_result\":\"" + text + "\""),
            std::string::npos)
            << result;
    }
}

TEST(TrelDocumentTest, DescriptionsAreEscapedByTheJsonRules) {
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"say \"hi\"", "say \\\"hi\\\""},
        {u"C:\\Games\\x", "C:\\\\Games\\\\x"},
        {u"two\nlines", "two\\nlines"},
        {u"\t\r\b\f", "\\t\\r\\b\\f"},
        {u"\x01\x1f\x1b", "\\u0001\\u001f\\u001b"},
        {u"a/b\x7f", "a/b\x7f"},
        {u"게임 é", "\xEA\xB2\x8C\xEC\x9E\x84 \xC3\xA9"},
        // An unpaired surrogate cannot go into UTF-8; it arrives as U+FFFD.
        {std::u16string(1, u'\xD800'), "\xEF\xBF\xBD"},
    };
    for (const auto& [description, serialised] : cases) {
        const std::string document = Document(LiveIdentity(), "PATCH", 1, description);
        EXPECT_EQ(SerialisedDescription(document), serialised) << serialised;
        EXPECT_EQ(document.find('\n'), std::string::npos) << serialised;
    }
}

TEST(TrelDocumentTest, TextThatIsNotAsciiGoesInAsUtf8WhateverTheCodePage) {
    test::ScopedThreadAnsiCodePage western(1252);
    const TrelIdentity identity = MakeTrelIdentity(0, u"게임", u"회원", u"", u"1.0 β");
    const std::string document = Document(identity, "DONE", 0, u"€");
    EXPECT_NE(document.find("\"mid\":\"" + util::ToUtf8(u"회원") + "\""), std::string::npos);
    EXPECT_NE(document.find("\"service_code\":\"" + util::ToUtf8(u"게임") + "\""),
              std::string::npos);
    EXPECT_NE(document.find("\"version\":\"" + util::ToUtf8(u"1.0 β") + "\""), std::string::npos);
    EXPECT_EQ(SerialisedDescription(document), util::ToUtf8(u"€"));
}

TEST(TrelDocumentTest, TooLongDocumentsLoseTheEndOfTheirDescription) {
    const std::string whole = Document(LiveIdentity(), "PATCH", 1, u"가나다");
    const std::string tail = whole.substr(whole.find("\",\"sequence_key\""));
    // A document exactly at the limit is kept whole; one byte less costs the whole last
    // character, never a part of it.
    EXPECT_EQ(Document(LiveIdentity(), "PATCH", 1, u"가나다", whole.size()), whole);
    const std::string shortened = Document(LiveIdentity(), "PATCH", 1, u"가나다", whole.size() - 1);
    EXPECT_EQ(SerialisedDescription(shortened), util::ToUtf8(u"가나"));
    EXPECT_EQ(shortened.size(), whole.size() - 3);

    // Built with append: GCC 12 at -O3 misreads an operator+ on such long strings (-Wrestrict).
    std::u16string quotesThenEnd(45000, u'"');
    quotesThenEnd.append(u"end");
    std::u16string xThenLetters(1, u'x');
    xThenLetters.append(90000, u'a');
    const std::vector<std::u16string> longDescriptions = {
        std::u16string(40000, u'가'), std::u16string(20000, u'\x01'), quotesThenEnd, xThenLetters};
    for (const std::u16string& description : longDescriptions) {
        const std::string document = Document(LiveIdentity(), "PATCH", 1, description);
        ASSERT_FALSE(document.empty());
        EXPECT_LE(document.size(), kMaxTrelBodyBytes);
        EXPECT_GT(document.size(), kMaxTrelBodyBytes - 6);
        // Still a whole document: the rest follows the description unchanged, and what is left
        // of the description is a start of the original, cut between characters.
        EXPECT_EQ(document.substr(document.size() - tail.size()), tail);
        const std::string kept = SerialisedDescription(document);
        EXPECT_EQ(util::FromUtf8(kept).find(u'\xFFFD'), std::u16string::npos);
    }
}

TEST(TrelDocumentTest, ADocumentThatCannotFitIsNotMade) {
    EXPECT_FALSE(BuildEventDocument(LiveIdentity(), "PATCH", 1, u"text", 100).has_value());
    EXPECT_FALSE(BuildEventDocument(LiveIdentity(), "PATCH", 1, u"", 100).has_value());
}

TEST(TrelDocumentTest, CutsKeepWholeCharacters) {
    const std::string korean = util::ToUtf8(u"a가");       // 1 + 3 bytes
    const std::string emoji = util::ToUtf8(u"\U0001F600"); // 4 bytes
    const std::vector<std::tuple<std::string, std::size_t, std::string>> cases = {
        {"abc", 2, "ab"},    {"abc", 3, "abc"}, {"abc", 9, "abc"},
        {korean, 4, korean}, {korean, 3, "a"},  {korean, 1, "a"},
        {korean, 0, ""},     {emoji, 3, ""},    {emoji + "z", 4, emoji},
    };
    for (const auto& [text, maxBytes, cut] : cases) {
        EXPECT_EQ(CutUtf8(text, maxBytes), cut) << text << " " << maxBytes;
    }
}

TEST(TrelDocumentTest, SequenceKeyComesOnlyFromAUuidMadeWithAnAdapterAddress) {
    const std::string uuid = "1b4e28ba-2fa1-11d2-883f-0016d3cca427";
    const std::vector<std::tuple<std::uint32_t, std::string, std::u16string>> cases = {
        {0, uuid, u"1B4E28BA2FA111D2883F0016D3CCA427"},
        {0, " " + uuid + "\t", u"1B4E28BA2FA111D2883F0016D3CCA427"},
        {1824, uuid, u""},
        {1739, uuid, u""},
    };
    for (const auto& [status, text, key] : cases) {
        EXPECT_EQ(MakeSequenceKey(status, text), key) << status << " " << text;
    }
}

} // namespace
} // namespace vg::telemetry
