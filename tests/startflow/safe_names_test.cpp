// The names that may become paths below the install and temporary directories.
#include "startflow/safe_names.h"

#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::startflow {
namespace {

TEST(SafeNamesTest, RelativePathsStayInsideTheirDirectory) {
    for (const char16_t* safe : {u"Launcher.exe", u"bin\\game.dll", u"data/sub/x.pak", u".\\a",
                                 u"..a", u"a..", u"a b.exe", u"런처.exe"}) {
        EXPECT_FALSE(UnsafeRelativePath(safe).has_value()) << util::ToUtf8(safe);
    }
    for (const char16_t* unsafe : {u"", u"\\Windows\\x.exe", u"/etc/passwd", u"C:\\x.exe",
                                   u"C:x.exe", u"a.exe:stream", u"..\\x.exe", u"a\\..\\..\\x",
                                   u"a/../x", u"..", u"... \\x", u". .\\x", u"a\\", u"a\tb"}) {
        EXPECT_TRUE(UnsafeRelativePath(unsafe).has_value()) << util::ToUtf8(unsafe);
    }
}

TEST(SafeNamesTest, FileNamesHaveNoDirectoryPart) {
    EXPECT_FALSE(UnsafeFileName(u"Setup.exe").has_value());
    EXPECT_TRUE(UnsafeFileName(u"sub\\Setup.exe").has_value());
    EXPECT_TRUE(UnsafeFileName(u"sub/Setup.exe").has_value());
    EXPECT_TRUE(UnsafeFileName(u"..").has_value());
    EXPECT_EQ(util::ToUtf8(UnsafeFileName(u"a\\b").value()), "the name has a directory part");
}

} // namespace
} // namespace vg::startflow
