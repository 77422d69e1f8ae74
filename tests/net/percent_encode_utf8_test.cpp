// The escaping of secure POST bodies.
#include "net/percent_encode_utf8.h"

#include <gtest/gtest.h>

namespace vg::net {
namespace {

TEST(PercentEncodeUtf8Test, EscapesGroupsOfThreeBytesFromEachByteAbove0x7F) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"a&b=c+d%e f\r\n", "a&b=c+d%e f\r\n"},
        {"\xEA\xB0\x80", "%EA%B0%80"}, // U+AC00
        {"\xC3\xA9"
         "a",
         "%C3%A9%61"},          // U+00E9 then "a"
        {"\xC3\xA9", "%C3%A9"}, // a group cut short at the end
        {"\xF0\x9F\x98\x80"
         "x",
         "%F0%9F%98%80%78"},         // four bytes: a second group
        {"\xC3\xA9\t", "%C3%A9%09"}, // always two digits
    };
    for (const auto& [utf8, escaped] : cases) {
        EXPECT_EQ(EscapeUtf8Bytes(utf8), escaped);
    }
}

TEST(PercentEncodeUtf8Test, ConvertsFromTheSystemCodePageFirst) {
    // The C locale's code page is UTF-8; an invalid byte arrives as U+FFFD.
    EXPECT_EQ(PercentEncodeUtf8("\xEA\xB0\x80"), "%EA%B0%80");
    EXPECT_EQ(PercentEncodeUtf8("a\xFF"), "a%EF%BF%BD");
}

} // namespace
} // namespace vg::net
