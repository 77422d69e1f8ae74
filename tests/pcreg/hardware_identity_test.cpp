// The hardware identity's text forms and hashes.
#include "pcreg/hardware_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace vg::pcreg {
namespace {

TEST(HardwareIdentityTest, MacTextIsTheUuidNodeInLowerCase) {
    platform::Uuid uuid;
    uuid.data1 = 0x12345678;
    uuid.data4 = {0x9A, 0xBC, 0x00, 0x1A, 0x2B, 0xFF, 0x0C, 0xD0};
    EXPECT_EQ(MacAddressText(uuid), u"001a2bff0cd0");
    EXPECT_EQ(MacAddressText(platform::Uuid{}), u"000000000000");
}

TEST(HardwareIdentityTest, HardwareIdLosesBracesAndDashesOnly) {
    EXPECT_EQ(HardwareIdText(u"{12345678-9abc-def0-1234-56789abcdef0}"),
              u"123456789abcdef0123456789abcdef0");
    EXPECT_EQ(HardwareIdText(u"{ABC-def}-x y"), u"ABCdefx y");
    EXPECT_EQ(HardwareIdText(u""), u"");
}

TEST(HardwareIdentityTest, SerialTextForms) {
    EXPECT_EQ(VolumeSerialHex(0xABCD), u"ABCD");
    EXPECT_EQ(VolumeSerialDec(0xABCD), u"43981");
    EXPECT_EQ(VolumeSerialHex(0), u"0");
    EXPECT_EQ(VolumeSerialDec(0), u"0");
    EXPECT_EQ(VolumeSerialHex(0xFFFFFFFF), u"FFFFFFFF");
    EXPECT_EQ(VolumeSerialDec(0xFFFFFFFF), u"4294967295");
    EXPECT_EQ(VolumeSerialHex(0x0000F00D), u"F00D");
}

TEST(HardwareIdentityTest, HashJoinsTheTextAndTheDecimalSerial) {
    // Digests as sha256sum gives them for the joined bytes.
    EXPECT_EQ(IdentityHashOf(u"aabbccddeeff", u"43981"),
              u"bba02ddef49b632da7f03f9a49703f8abf9b41023fac861f6a0683f2091f0183");
    EXPECT_EQ(IdentityHashOf(u"aabbccddeeff", u"0"),
              u"7f038e13949ace24ea42acf5757d22010969ce0dbdc9ce1260db264874df0fef");
    // No hardware id: the hash of the decimal serial alone.
    EXPECT_EQ(IdentityHashOf(u"", u"0"),
              u"5feceb66ffc86f38d952786c6d696c79c2dbc239dd4e91b46729d73a27fb57e9");
}

TEST(HardwareIdentityTest, EachHashedTextIsCutTo259Bytes) {
    const std::u16string long259(259, u'a');
    const std::u16string long400(400, u'a');
    EXPECT_EQ(IdentityHashOf(long400, u"7"), IdentityHashOf(long259, u"7"));
    EXPECT_NE(IdentityHashOf(std::u16string(258, u'a'), u"7"), IdentityHashOf(long259, u"7"));
    EXPECT_EQ(IdentityHashOf(u"x", long400), IdentityHashOf(u"x", long259));
}

} // namespace
} // namespace vg::pcreg
