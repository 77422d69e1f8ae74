// The comparison of a published version text with the program's own.
#include "selfupdate/self_update.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct VersionCase {
    const char16_t* published;
    const char16_t* own;
    int newer;
};

class IsNewerVersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(IsNewerVersionTest, ComparesFourParts) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(vg::selfupdate::IsNewerVersion(c.published, c.own), c.newer);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsNewerVersionTest,
    testing::Values(
        VersionCase{u"1.1.12.0", u"1.1.11.3", 1}, VersionCase{u"1.1.11.3", u"1.1.12.0", 0},
        VersionCase{u"1.1.11.3", u"1.1.11.3", 0},
        // Commas are cleaned up by the caller; here they are no separators.
        VersionCase{u"1,1,11,4", u"1.1.11.3", 0},
        // Only one text needs three dots; a missing part is 0.
        VersionCase{u"1.2", u"1.1.11.3", 1}, VersionCase{u"1.1.11.3", u"1.2", 0},
        VersionCase{u"2.0", u"1.0", 0},
        // Parts after the fourth are not looked at.
        VersionCase{u"1.1.11.3.9", u"1.1.11.3", 0},
        // A run of dots is one separator (but counts as more dots).
        VersionCase{u"1..2.0.0", u"1.2.0.0", 0}, VersionCase{u"1..2.0.1", u"1.2.0.0", 1},
        // White space at either end is trimmed before the dots are counted.
        VersionCase{u" \t1.0.0.2\r\n", u"1.0.0.1", 1},
        // Parts read as _wtoi reads them: a sign, digits up to another character, saturation.
        VersionCase{u"1.0.0.2beta", u"1.0.0.1", 1}, VersionCase{u"1.0.0.x", u"1.0.0.0", 0},
        VersionCase{u"-1.0.0.0", u"0.0.0.0", 0}, VersionCase{u"+2.0.0.0", u"1.0.0.0", 1},
        VersionCase{u"99999999999.0.0.0", u"2147483647.0.0.1", 0},
        // The own version could not be read.
        VersionCase{u"1.0.0.1", u"", 1}, VersionCase{u"", u"", 0}));

} // namespace
