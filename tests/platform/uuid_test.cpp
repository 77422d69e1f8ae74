// Sequential UUIDs: their bits, the adapter address chosen from a sysfs-like folder, and the
// text form.
#include "platform/posix/sequential_uuid.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace vg::platform::posix {
namespace {

namespace fs = std::filesystem;

struct Interface {
    std::string name;
    std::string type; ///< empty: no "type" file
    std::string address;
};

void WriteInterfaces(const fs::path& root, const std::vector<Interface>& interfaces) {
    fs::create_directories(root);
    for (const Interface& interface : interfaces) {
        fs::create_directories(root / interface.name);
        if (!interface.type.empty()) {
            test::WriteFile(root / interface.name / "type", interface.type + "\n");
        }
        test::WriteFile(root / interface.name / "address", interface.address + "\n");
    }
}

std::uint64_t Timestamp(const Uuid& uuid) {
    return (static_cast<std::uint64_t>(uuid.data3 & 0x0FFFU) << 48) |
           (static_cast<std::uint64_t>(uuid.data2) << 32) | uuid.data1;
}

NodeAddress Node(const Uuid& uuid) {
    NodeAddress node{};
    std::copy(uuid.data4.begin() + 2, uuid.data4.end(), node.begin());
    return node;
}

void ExpectVersion1Layout(const Uuid& uuid) {
    EXPECT_EQ(uuid.data3 >> 12, 1);
    EXPECT_EQ(uuid.data4[0] & 0xC0, 0x80);
}

TEST(SequentialUuidTest, NodeIsTheFirstRealAdapterByName) {
    test::TempDir dir;
    WriteInterfaces(dir.Path(), {
                                    {"lo", "772", "02:00:00:00:00:99"},
                                    {"a-loop", "772", "02:00:00:00:00:0a"},
                                    {"b-zero", "1", "00:00:00:00:00:00"},
                                    {"c-infiniband", "32", "80:00:02:08:fe:80:00:00:00:00:00:00"},
                                    {"c-bad", "1", "zz:00:00:00:00:01"},
                                    {"eth1", "1", "0a:00:00:00:00:02"},
                                    {"eth0", "", "0A:1b:2c:3d:4e:5f"},
                                });
    EXPECT_EQ(FirstAdapterAddress(dir.Path()), (NodeAddress{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}));
    Uuid uuid;
    EXPECT_EQ(CreateSequentialUuidFrom(dir.Path(), uuid), kRpcSOk);
    ExpectVersion1Layout(uuid);
    EXPECT_EQ(Node(uuid), (NodeAddress{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}));
    EXPECT_EQ(FormatUuid(uuid).substr(24), "0a1b2c3d4e5f");
    // The count is of 100-ns intervals since 1582-10-15, so it tells the time of day.
    const auto made = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(
            static_cast<std::int64_t>(Timestamp(uuid) - 0x01B21DD213814000ULL) * 100)));
    EXPECT_LT(std::chrono::abs(std::chrono::system_clock::now() - made), std::chrono::hours(1));
}

TEST(SequentialUuidTest, WithoutAnAdapterAddressTheUuidIsLocalOnly) {
    test::TempDir dir;
    WriteInterfaces(dir / "only-loopbacks", {{"lo", "772", "00:00:00:00:00:00"},
                                             {"dummy", "1", "00:00:00:00:00:00"},
                                             {"tun0", "65534", ""}});
    fs::create_directories(dir / "empty");
    for (const fs::path& root : {dir / "only-loopbacks", dir / "empty", dir / "missing"}) {
        EXPECT_FALSE(FirstAdapterAddress(root).has_value()) << root;
        Uuid uuid;
        EXPECT_EQ(CreateSequentialUuidFrom(root, uuid), kRpcSUuidLocalOnly) << root;
        ExpectVersion1Layout(uuid);
        // A made-up node is a multicast address, which no adapter has.
        EXPECT_EQ(uuid.data4[2] & 0x01, 0x01) << root;
    }
}

TEST(SequentialUuidTest, TimestampsRiseWithinTheProcess) {
    test::TempDir dir;
    WriteInterfaces(dir.Path(), {{"eth0", "1", "02:00:00:00:00:01"}});
    Uuid previous;
    CreateSequentialUuidFrom(dir.Path(), previous);
    for (int i = 0; i < 2000; ++i) {
        Uuid next;
        CreateSequentialUuidFrom(dir.Path(), next);
        ASSERT_GT(Timestamp(next), Timestamp(previous));
        // The clock sequence is chosen once per process.
        ASSERT_EQ(next.data4[0], previous.data4[0]);
        ASSERT_EQ(next.data4[1], previous.data4[1]);
        previous = next;
    }
}

TEST(SequentialUuidTest, TextFormIsLowerCaseInFiveGroups) {
    const std::vector<std::pair<Uuid, std::string>> cases = {
        {{0x1B4E28BA, 0x2FA1, 0x11D2, {0x88, 0x3F, 0x00, 0x16, 0xD3, 0xCC, 0xA4, 0x27}},
         "1b4e28ba-2fa1-11d2-883f-0016d3cca427"},
        {{1, 2, 3, {0, 4, 0, 0, 0, 0, 0, 5}}, "00000001-0002-0003-0004-000000000005"},
        {{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
         "ffffffff-ffff-ffff-ffff-ffffffffffff"},
    };
    for (const auto& [uuid, text] : cases) {
        EXPECT_EQ(FormatUuid(uuid), text);
    }
}

TEST(SequentialUuidTest, TheSystemsUuidHasItsStatus) {
    Uuid uuid;
    const std::uint32_t status = CreateSequentialUuid(uuid);
    EXPECT_TRUE(status == kRpcSOk || status == kRpcSUuidLocalOnly) << status;
    ExpectVersion1Layout(uuid);
    if (status == kRpcSOk) {
        EXPECT_EQ(Node(uuid), FirstAdapterAddress("/sys/class/net"));
    }
}

} // namespace
} // namespace vg::platform::posix
