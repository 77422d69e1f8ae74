// Wine's debugger output read back into the Windows program's notices: escapes, the ANSI code
// page, texts passed in pieces, and texts Wine cut short.
#include "support/wine_debug_output.h"

#include <gtest/gtest.h>

namespace vg::test {
namespace {

// "[오류번호:19] 안내" in code page 949, as Wine escapes it.
constexpr char kKoreanLine[] =
    "0024:warn:seh:OutputDebugStringA \"Varnugames Starter: "
    "[\\xbf\\xc0\\xb7\\xf9\\xb9\\xf8\\xc8\\xa3:19] \\xbe\\xc8\\xb3\\xbb\\n\\nPC\"\n";

TEST(WineDebugOutputTest, StringsAreUnescapedAndConverted) {
    const std::string wine = std::string("0048:err:winediag:nodrv_CreateWindow no driver\n") +
                             kKoreanLine +
                             "0024:warn:seh:dispatch_exception \"Varnugames Starter: copy\"\n"
                             "0024:warn:seh:OutputDebugStringA \"a \\\"q\\\" b\\\\c\\tt\\r\\n\"\n";
    EXPECT_EQ(DebugStrings(wine, "CP949"),
              (std::vector<std::string>{"Varnugames Starter: [오류번호:19] 안내\n\nPC",
                                        "a \"q\" b\\c\tt\r\n"}));
}

TEST(WineDebugOutputTest, NoticesAreJoinedAsTheLinuxProgramWritesThem) {
    struct Case {
        const char* name;
        std::vector<std::string> strings;
        std::string notices;
    };
    const std::vector<Case> cases = {
        {"none", {}, ""},
        {"one without a line feed", {"Varnugames Starter: a"}, "Varnugames Starter: a\n"},
        {"one with a line feed", {"Varnugames Starter: a\n"}, "Varnugames Starter: a\n"},
        {"two",
         {"Varnugames Starter: a", "Varnugames Starter: b"},
         "Varnugames Starter: a\nVarnugames Starter: b\n"},
        {"one in pieces",
         {"Varnugames Starter: [x] ", "more\n\n", "contact"},
         "Varnugames Starter: [x] more\n\ncontact\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NoticesFromDebugStrings(c.strings, ""), c.notices) << c.name;
    }
}

TEST(WineDebugOutputTest, AStringWineCutShortIsCompletedFromTheProgramsOwnCopy) {
    const std::string wine = std::string("0024:warn:seh:OutputDebugStringA \"Varnugames Starter: "
                                         "one\\n\\ntwo th\"...\n") +
                             "Varnugames Starter: one\n\ntwo three\n"
                             "0024:err:ntlm:something\n"
                             "0024:warn:seh:OutputDebugStringA \"Varnugames Starter: b\"\n"
                             "Varnugames Starter: b\n";
    const std::vector<std::string> strings = DebugStrings(wine, "CP949");
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(strings[0], std::string("Varnugames Starter: one\n\ntwo th") + kCutByWine);
    EXPECT_EQ(ProgramStandardError(wine),
              "Varnugames Starter: one\n\ntwo three\nVarnugames Starter: b\n");
    EXPECT_EQ(NoticesFromDebugStrings(strings, ProgramStandardError(wine)),
              "Varnugames Starter: one\n\ntwo three\nVarnugames Starter: b\n");
    // Without the copy, the cut stays visible.
    EXPECT_EQ(NoticesFromDebugStrings(strings, ""),
              std::string("Varnugames Starter: one\n\ntwo th") + kCutByWine +
                  "\nVarnugames Starter: b\n");
}

TEST(WineDebugOutputTest, ACharacterCutInTwoIsLeftOut) {
    // "안" is \xbe\xc8; Wine stopped after its first byte.
    const std::string wine =
        "0024:warn:seh:OutputDebugStringA \"Varnugames Starter: \\xbe\\xc8\\xbe\"...\n";
    EXPECT_EQ(DebugStrings(wine, "CP949"),
              std::vector<std::string>{std::string("Varnugames Starter: 안") + kCutByWine});
}

} // namespace
} // namespace vg::test
