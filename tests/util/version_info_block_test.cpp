// The version block parser and the choice of string table, on blocks built by the block writer
// and then damaged where a case needs it.
#include "util/file_version_string.h"
#include "util/version_info_block.h"
#include "version_block/version_block_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vg::util {
namespace {

using Block = std::vector<std::uint8_t>;
using Translations = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

constexpr std::uint16_t kKorean = 0x0412;
constexpr std::uint16_t kEnglishUs = 0x0409;
constexpr std::uint16_t kUnicode = 0x04B0;

tools::VersionStringTable Table(std::uint16_t language, std::uint16_t codePage,
                                std::u16string productVersion) {
    return {language,
            codePage,
            {{u"CompanyName", u"Varnugames"}, {u"ProductVersion", std::move(productVersion)}}};
}

Block BuildBlock(std::vector<tools::VersionStringTable> tables,
                 std::optional<Translations> translations) {
    tools::VersionBlockSpec wanted;
    wanted.fileVersion = {1, 2, 3, 4};
    wanted.productVersion = {5, 6, 7, 8};
    wanted.stringTables = std::move(tables);
    wanted.translations = std::move(translations);
    return tools::BuildVersionBlock(wanted);
}

Block KoreanBlock() {
    return BuildBlock({Table(kKorean, kUnicode, u"1.0.0.1")}, Translations{{kKorean, kUnicode}});
}

// The byte offset of the first occurrence of `text` as UTF-16LE in the block.
std::size_t OffsetOf(const Block& block, std::u16string_view text) {
    Block pattern;
    for (const char16_t unit : text) {
        pattern.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        pattern.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    const auto found = std::search(block.begin(), block.end(), pattern.begin(), pattern.end());
    EXPECT_NE(found, block.end()) << "the block lacks the text";
    return static_cast<std::size_t>(found - block.begin());
}

// The start of the node whose name is `key`: its header precedes the name.
std::size_t NodeOf(const Block& block, std::u16string_view key) {
    return OffsetOf(block, key) - 6;
}

void Store16(Block& block, std::size_t offset, std::uint16_t value) {
    block[offset] = static_cast<std::uint8_t>(value & 0xFF);
    block[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t Load16(const Block& block, std::size_t offset) {
    return static_cast<std::uint16_t>(block[offset] | (block[offset + 1] << 8));
}

void ReplaceText(Block& block, std::u16string_view from, std::u16string_view to) {
    ASSERT_EQ(from.size(), to.size());
    const std::size_t offset = OffsetOf(block, from);
    for (std::size_t i = 0; i < to.size(); ++i) {
        Store16(block, offset + 2 * i, static_cast<std::uint16_t>(to[i]));
    }
}

struct ChoiceCase {
    const char* name;
    std::vector<VersionTranslation> table;
    std::uint16_t userLanguage;
    VersionTranslation expected;
};

TEST(ChooseTranslationTest, TakesTheFirstEntryOfTheFirstPassThatMatches) {
    const ChoiceCase cases[] = {
        {"only Korean, English user", {{kKorean, kUnicode}}, kEnglishUs, {kKorean, kUnicode}},
        {"only Korean, Korean user", {{kKorean, kUnicode}}, kKorean, {kKorean, kUnicode}},
        {"only Korean, neutral user", {{kKorean, kUnicode}}, 0x0000, {kKorean, kUnicode}},
        {"exact language",
         {{kKorean, kUnicode}, {kEnglishUs, kUnicode}},
         kKorean,
         {kKorean, kUnicode}},
        {"exact beats primary",
         {{0x0809, 1252}, {kEnglishUs, 1252}},
         kEnglishUs,
         {kEnglishUs, 1252}},
        {"same primary language",
         {{kKorean, kUnicode}, {kEnglishUs, kUnicode}},
         0x0809,
         {kEnglishUs, kUnicode}},
        {"neutral before English", {{kKorean, 1}, {0x0409, 2}, {0x0000, 3}}, 0x0407, {0x0000, 3}},
        {"neutral before neutral primary", {{0x0400, 1}, {0x0000, 2}}, 0x0407, {0x0000, 2}},
        {"neutral primary", {{kKorean, 1}, {0x0400, 2}, {0x0409, 3}}, 0x0407, {0x0400, 2}},
        {"English 0x0009", {{kKorean, 1}, {0x0809, 2}, {0x0009, 3}}, 0x0407, {0x0009, 3}},
        {"English primary",
         {{kKorean, kUnicode}, {kEnglishUs, kUnicode}},
         0x0407,
         {kEnglishUs, kUnicode}},
        {"otherwise the first", {{kKorean, 1}, {0x0411, 2}}, 0x0407, {kKorean, 1}},
        {"first of equals", {{0x0809, 1}, {0x0C09, 2}}, kEnglishUs, {0x0809, 1}},
    };
    for (const ChoiceCase& c : cases) {
        EXPECT_EQ(ChooseTranslation(c.table, c.userLanguage), c.expected) << c.name;
    }
    EXPECT_EQ(ChooseTranslation({}, kKorean), std::nullopt);
}

TEST(VersionInfoBlockTest, ReadsTheFixedInfoAndTheTranslationTable) {
    const Block block = BuildBlock({}, Translations{{kKorean, kUnicode}, {0x0009, 1252}});
    const auto root = QueryVersionValue(block, u"\\");
    ASSERT_TRUE(root.has_value());
    ASSERT_EQ(root->bytes.size(), 52u);
    const Block fixed(root->bytes.begin(), root->bytes.end());
    EXPECT_EQ(Load16(fixed, 0), 0x04BD); // the signature 0xFEEF04BD
    EXPECT_EQ(Load16(fixed, 2), 0xFEEF);
    EXPECT_EQ(Load16(fixed, 10), 1); // file version 1.2.3.4, high word first
    EXPECT_EQ(Load16(fixed, 8), 2);
    EXPECT_EQ(Load16(fixed, 22), 7); // product version 5.6.7.8
    EXPECT_EQ(QueryVersionTranslations(block),
              (std::vector<VersionTranslation>{{kKorean, kUnicode}, {0x0009, 1252}}));
}

TEST(VersionInfoBlockTest, ReadsTheStringTableOfTheChosenTranslation) {
    const Block block =
        BuildBlock({Table(kKorean, kUnicode, u"ko"), Table(kEnglishUs, kUnicode, u"en")},
                   Translations{{kKorean, kUnicode}, {kEnglishUs, kUnicode}});
    EXPECT_EQ(GetVersionString(block, u"ProductVersion", kKorean), u"ko");
    EXPECT_EQ(GetVersionString(block, u"ProductVersion", kEnglishUs), u"en");
    EXPECT_EQ(GetVersionString(block, u"ProductVersion", 0x0407), u"en");
    // The table key is written with four digits each, so "000904e4" must be asked for.
    const Block neutral =
        BuildBlock({Table(0x0009, 0x04E4, u"neutral English")}, Translations{{0x0009, 0x04E4}});
    EXPECT_EQ(GetVersionString(neutral, u"ProductVersion", kKorean), u"neutral English");
}

TEST(VersionInfoBlockTest, GivesNothingWithoutAUsableTranslation) {
    const auto table = Table(kKorean, kUnicode, u"1.0.0.1");
    EXPECT_EQ(GetVersionString(BuildBlock({table}, std::nullopt), u"ProductVersion", kKorean), u"");
    EXPECT_EQ(GetVersionString(BuildBlock({table}, Translations{}), u"ProductVersion", kKorean),
              u"");
    // A translation whose string table is missing is not made up for by another table.
    EXPECT_EQ(GetVersionString(BuildBlock({table}, Translations{{kEnglishUs, kUnicode}}),
                               u"ProductVersion", kEnglishUs),
              u"");
}

TEST(VersionInfoBlockTest, AnswersOnlyTheStandardKeysSpelledExactly) {
    const std::u16string_view standard[] = {
        u"CompanyName",    u"FileDescription",  u"FileVersion",  u"InternalName",
        u"LegalCopyright", u"OriginalFileName", u"ProductName",  u"ProductVersion",
        u"Comments",       u"LegalTrademarks",  u"PrivateBuild", u"SpecialBuild"};
    tools::VersionStringTable table{kKorean, kUnicode, {}};
    for (const std::u16string_view key : standard) {
        table.strings.emplace_back(key, u"value of " + std::u16string(key));
    }
    table.strings.emplace_back(u"Version", u"present");
    const Block block = BuildBlock({table}, Translations{{kKorean, kUnicode}});
    for (const std::u16string_view key : standard) {
        EXPECT_EQ(GetVersionString(block, key, kKorean), u"value of " + std::u16string(key));
    }
    EXPECT_EQ(GetVersionString(block, u"productversion", kKorean), u"");
    EXPECT_EQ(GetVersionString(block, u"Version", kKorean), u"");
    EXPECT_EQ(QueryVersionText(block, u"\\StringFileInfo\\041204b0\\Version"), u"present");
}

TEST(VersionInfoBlockTest, MatchesNodeNamesWithoutRegardToCase) {
    Block block = KoreanBlock();
    ReplaceText(block, u"041204b0", u"041204B0");
    ReplaceText(block, u"StringFileInfo", u"STRINGFILEINFO");
    ReplaceText(block, u"ProductVersion", u"PRODUCTVERSION");
    EXPECT_EQ(GetVersionString(block, u"ProductVersion", kKorean), u"1.0.0.1");
    EXPECT_EQ(QueryVersionText(block, u"\\stringfileinfo\\041204b0\\productversion"), u"1.0.0.1");
}

TEST(VersionInfoBlockTest, ReadsTextToItsTerminatorWhateverItsValueLengthSays) {
    for (const std::uint16_t valueLength : {std::uint16_t{16}, std::uint16_t{0x7FFF}}) {
        Block block = KoreanBlock();
        Store16(block, NodeOf(block, u"ProductVersion") + 2, valueLength);
        EXPECT_EQ(GetVersionString(block, u"ProductVersion", kKorean), u"1.0.0.1") << valueLength;
        EXPECT_EQ(GetVersionString(block, u"CompanyName", kKorean), u"Varnugames");
    }
}

TEST(VersionInfoBlockTest, IgnoresATrailingPartialTranslation) {
    Block block = BuildBlock({}, Translations{{kKorean, kUnicode}, {kEnglishUs, kUnicode}});
    Store16(block, NodeOf(block, u"Translation") + 2, 6);
    EXPECT_EQ(QueryVersionTranslations(block),
              (std::vector<VersionTranslation>{{kKorean, kUnicode}}));
}

TEST(VersionInfoBlockTest, GivesNothingForEveryTruncation) {
    const Block block = KoreanBlock();
    for (std::size_t size = 0; size < block.size(); ++size) {
        const Block truncated(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(GetVersionString(truncated, u"ProductVersion", kKorean), u"") << size;
        EXPECT_TRUE(QueryVersionTranslations(truncated).empty()) << size;
    }
}

TEST(VersionInfoBlockTest, GivesNothingForDamagedNodes) {
    struct Damage {
        const char* name;
        std::u16string_view node;
        std::size_t field; // 0: wLength, 2: wValueLength
        std::uint16_t value;
    };
    const Damage damages[] = {
        {"root of zero length", u"VS_VERSION_INFO", 0, 0},
        {"root past the buffer", u"VS_VERSION_INFO", 0, 0xFFFF},
        {"root shorter than its header", u"VS_VERSION_INFO", 0, 4},
        {"root ending inside its name", u"VS_VERSION_INFO", 0, 12},
        {"child past its parent", u"StringFileInfo", 0, 0x4000},
        {"zero-length string before the one asked for", u"CompanyName", 0, 0},
        {"string table past its parent", u"041204b0", 0, 0x1000},
        {"translation value past its node", u"Translation", 2, 0x100},
        {"translations past their parent", u"VarFileInfo", 0, 0x2000},
    };
    for (const Damage& damage : damages) {
        Block block = KoreanBlock();
        Store16(block, NodeOf(block, damage.node) + damage.field, damage.value);
        EXPECT_EQ(GetVersionString(block, u"ProductVersion", kKorean), u"") << damage.name;
    }
}

} // namespace
} // namespace vg::util
