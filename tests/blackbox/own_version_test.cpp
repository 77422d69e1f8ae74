// The built Linux program carries its version information, readable by the same reader that
// reads a Windows executable's version resource.
#include "util/file_version_string.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::util {
namespace {

TEST(OwnVersionTest, TheProgramCarriesItsVersionInformation) {
    const std::u16string program = FromUtf8(VG_PROGRAM);
    EXPECT_EQ(GetFileVersionString(program, u"ProductVersion"), FromUtf8(VG_PRODUCT_VERSION));
    EXPECT_EQ(GetFileVersionString(program, u"FileVersion"), FromUtf8(VG_PRODUCT_VERSION));
    EXPECT_NE(GetFileVersionString(program, u"CompanyName"), u"");
}

} // namespace
} // namespace vg::util
