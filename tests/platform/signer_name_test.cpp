// The signer's display name chosen from subject attributes and alternative names, and the
// directory-string types decoded to UTF-16.
#include "platform/posix/signer_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vg::platform::posix {
namespace {

using Type = NameAttributeType;

TEST(SignerNameTest, ChoosesTheNameAsTheSimpleDisplayTypeDoes) {
    struct Case {
        const char* what;
        std::vector<NameAttribute> subject;
        std::vector<std::u16string> altNames;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {"the common name, wherever it stands",
         {{Type::kOrganization, u"Org"}, {Type::kCommonName, u"Common"}},
         {},
         u"Common"},
        {"the first of two common names",
         {{Type::kCommonName, u"First"}, {Type::kCommonName, u"Second"}},
         {},
         u"First"},
        {"the unit before the organisation",
         {{Type::kOrganization, u"Org"}, {Type::kOrganizationalUnit, u"Unit"}},
         {},
         u"Unit"},
        {"the organisation before the e-mail address",
         {{Type::kEmail, u"a@example.com"}, {Type::kOrganization, u"Org"}},
         {},
         u"Org"},
        {"the subject's e-mail address before the alternative names",
         {{Type::kOther, u"KR"}, {Type::kEmail, u"a@example.com"}},
         {u"alt@example.com"},
         u"a@example.com"},
        {"the first alternative e-mail address",
         {{Type::kOther, u"KR"}, {Type::kOther, u"Seoul"}},
         {u"alt@example.com", u"second@example.com"},
         u"alt@example.com"},
        {"else the subject's first attribute",
         {{Type::kOther, u"KR"}, {Type::kOther, u"Seoul"}},
         {},
         u"KR"},
        {"nothing at all", {}, {}, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SimpleDisplayName(c.subject, c.altNames), c.expected);
    }
}

TEST(SignerNameTest, DecodesEveryDirectoryStringType) {
    struct Case {
        const char* what;
        int tag;
        std::vector<std::uint8_t> bytes;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {"UTF8String", 12, {0xED, 0x95, 0x9C, 0x41}, u"한A"},
        {"broken UTF8String", 12, {0x41, 0xFF}, u"A\uFFFD"},
        {"BMPString", 30, {0xD5, 0x5C, 0x00, 0x41}, u"한A"},
        {"BMPString of odd length", 30, {0x00, 0x41, 0x00}, u"A\uFFFD"},
        {"UniversalString beyond the BMP", 28, {0x00, 0x01, 0xF6, 0x00}, u"\U0001F600"},
        {"UniversalString past U+10FFFF", 28, {0x00, 0x11, 0x00, 0x00}, u"\uFFFD"},
        {"TeletexString holding UTF-8", 20, {0xC3, 0xA9}, u"é"},
        {"TeletexString holding Latin-1", 20, {0xE9, 0x74, 0xE9}, u"été"},
        {"PrintableString", 19, {'A', 'b', ' ', '1'}, u"Ab 1"},
        {"IA5String with a byte past ASCII", 22, {'a', 0xE9}, u"aé"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeDirectoryString(c.tag, c.bytes), c.expected);
    }
}

} // namespace
} // namespace vg::platform::posix
