// The built program carries its version information: the Windows program in its version
// resource, the Linux program in a block the same reader reads.
#include "blackbox/program_under_test.h"
#include "util/file_version_string.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::util {
namespace {

TEST(OwnVersionTest, TheProgramCarriesItsVersionInformation) {
    const std::u16string program = FromUtf8(test::ProgramUnderTest::Get().Starter().string());
    EXPECT_EQ(GetFileVersionString(program, u"ProductVersion"), FromUtf8(VG_PRODUCT_VERSION));
    EXPECT_EQ(GetFileVersionString(program, u"FileVersion"), FromUtf8(VG_PRODUCT_VERSION));
    EXPECT_NE(GetFileVersionString(program, u"CompanyName"), u"");
}

} // namespace
} // namespace vg::util
