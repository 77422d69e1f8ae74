// System information against real folders, a Wine prefix made per test, small sysfs trees of
// real files, and this machine's own /proc, /sys and disks.
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/block_device.h"
#include "platform/posix/display_adapter.h"
#include "platform/posix/system_description_text.h"
#include "platform/system_info.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace vg::platform {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnvironment;

std::uint32_t Fold(std::uint64_t value) {
    return static_cast<std::uint32_t>(value) ^ static_cast<std::uint32_t>(value >> 32);
}

// ---- The texts the system describes itself with ----

TEST(SystemDescriptionTextTest, OsNameFromOsRelease) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"NAME=Fedora\nVERSION_ID=40\n", "Fedora"},
        {"PRETTY_NAME=''\nNAME='Arch Linux'\n", "Arch Linux"},
        {"PRETTY_NAME='single \\ \"quoted\"'", "single \\ \"quoted\""},
        {"PRETTY_NAME=\"a \\\"b\\\" \\\\ \\$c \\`d\\`\"", "a \"b\" \\ $c `d`"},
        {"# PRETTY_NAME=\"commented\"\n\n  \nNAME=Real\n", "Real"},
        {"PRETTY_NAME=\"first\"\nPRETTY_NAME=\"last\"\n", "last"},
        {"PRETTY_NAME=\"Windows line\"\r\nNAME=x\r\n", "Windows line"},
        {"XPRETTY_NAME=no\nPRETTY_NAMES=no\nPRETTY_NAME\nNAME=yes", "yes"},
        {"ID=debian\n", "Linux"},
        {"", "Linux"},
    };
    for (const auto& [text, name] : cases) {
        EXPECT_EQ(posix::OsNameFromOsRelease(text), name) << text;
    }
}

TEST(SystemDescriptionTextTest, ProcessorNameFromCpuInfo) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"processor\t: 0\nvendor_id\t: AuthenticAMD\nmodel name\t: AMD EPYC 7B13\n"
         "processor\t: 1\nmodel name\t: second\n",
         "AMD EPYC 7B13"},
        // "processor" is the index line on x86; only "Processor" names an ARM one.
        {"processor\t: 0\nBogoMIPS\t: 38.40\n", std::nullopt},
        {"Processor\t: ARMv7 Processor rev 10 (v7l)\nprocessor\t: 0\n",
         "ARMv7 Processor rev 10 (v7l)"},
        {"cpu\t\t: POWER9 (raw)\ncpu model\t: Loongson-3A\n", "Loongson-3A"},
        {"processor\t: 0\ncpu\t\t: POWER9 (raw), altivec supported\n",
         "POWER9 (raw), altivec supported"},
        {"cpu model : R4000 \t\n", "R4000 \t"},
        {"model name:no blank\n", "no blank"},
        {"model name\t:\n", ""},
        {"cpu family\t: 25\ncpu MHz\t\t: 2449.998\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, name] : cases) {
        EXPECT_EQ(posix::ProcessorNameFromCpuInfo(text), name) << text;
    }
}

constexpr std::string_view kPciIds = "#\n"
                                     "#\tList of PCI ID's\n"
                                     "#\n"
                                     "\n"
                                     "1002  Advanced Micro Devices, Inc. [AMD/ATI]\n"
                                     "\t1b80  Not NVIDIA's\n"
                                     "\t73bf  Navi 21 [Radeon RX 6800/6800 XT / 6900 XT]\n"
                                     "10de  NVIDIA Corporation\n"
                                     "# a comment among the devices\n"
                                     "\t1b80  GP104 [GeForce GTX 1080]\n"
                                     "\t\t1043 8591  Subsystem 1043\n"
                                     "\t2204  GA102 [GeForce RTX 3090]\n"
                                     "1234  Technical Corp.\n"
                                     "\n"
                                     "# List of known device classes\n"
                                     "C 03  Display controller\n"
                                     "\t00  VGA compatible controller\n"
                                     "C 10de  Encryption controller\n"
                                     "\t2204  Class entry shaped like a device\n";

TEST(SystemDescriptionTextTest, PciDeviceName) {
    struct Case {
        std::uint16_t vendor;
        std::uint16_t device;
        std::optional<std::string> name;
    };
    const std::vector<Case> cases = {
        {0x10de, 0x1b80, "NVIDIA Corporation GP104 [GeForce GTX 1080]"},
        {0x10de, 0x2204, "NVIDIA Corporation GA102 [GeForce RTX 3090]"},
        {0x1002, 0x73bf,
         "Advanced Micro Devices, Inc. [AMD/ATI] Navi 21 [Radeon RX 6800/6800 XT / "
         "6900 XT]"},
        // A subsystem id is not a device, nor is a device of the next vendor or a class entry.
        {0x10de, 0x1043, std::nullopt},
        {0x1002, 0x2204, std::nullopt},
        {0x1234, 0x2204, std::nullopt},
        {0x1234, 0x0000, std::nullopt},
        {0x8086, 0x1b80, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(posix::PciDeviceName(kPciIds, c.vendor, c.device), c.name)
            << std::hex << c.vendor << ':' << c.device;
    }
}

TEST(SystemDescriptionTextTest, ParseVolumeSerialText) {
    const std::vector<std::pair<std::string, std::optional<std::uint32_t>>> cases = {
        {"abcd1234\n", 0xABCD1234},
        {"  0XDEADBEEF \r\n", 0xDEADBEEF},
        {"0x1", 0x1},
        {"ffffffff", 0xFFFFFFFF},
        {"100000000", std::nullopt},
        {"0x", std::nullopt},
        {"", std::nullopt},
        {" \n", std::nullopt},
        {"12 34", std::nullopt},
        {"-1", std::nullopt},
        {"serial", std::nullopt},
    };
    for (const auto& [text, serial] : cases) {
        EXPECT_EQ(posix::ParseVolumeSerialText(text), serial) << text;
    }
}

TEST(SystemDescriptionTextTest, SixtyFourBitMachines) {
    for (const char* machine : {"x86_64", "aarch64", "ppc64", "ppc64le", "s390x", "riscv64",
                                "mips64", "sparc64", "loongarch64", "alpha", "ia64"}) {
        EXPECT_TRUE(posix::IsSixtyFourBitMachine(machine)) << machine;
    }
    for (const char* machine : {"i686", "i386", "armv7l", "ppc", "s390", "riscv32", "mips", ""}) {
        EXPECT_FALSE(posix::IsSixtyFourBitMachine(machine)) << machine;
    }
}

// ---- Drives of a Wine prefix ----

class SystemInfoDriveTest : public testing::Test {
protected:
    SystemInfoDriveTest() { fs::create_directories(DosDevices()); }

    [[nodiscard]] fs::path DosDevices() const { return prefix_ / "dosdevices"; }
    void MapDrive(char letter, const fs::path& target) const {
        fs::create_directory_symlink(target, DosDevices() / (std::string(1, letter) + ':'));
    }

    test::TempDir prefix_;
    test::TempDir driveC_;
    ScopedEnvironment winePrefix_{"WINEPREFIX", prefix_.Path().c_str()};
};

TEST_F(SystemInfoDriveTest, DriveTypeOfEachRoot) {
    MapDrive('c', driveC_.Path());
    MapDrive('d', "/dev/shm");
    MapDrive('e', prefix_ / "no-such-folder");
    test::WriteFile(prefix_ / "file", "x");
    MapDrive('g', prefix_ / "file");
    const std::vector<std::pair<std::u16string, DriveType>> cases = {
        {u"C:\\", DriveType::Fixed},       {u"c:\\", DriveType::Fixed},
        {u"C:", DriveType::Fixed},         {u"c:/", DriveType::Fixed},
        {u"D:\\", DriveType::RamDisk},     {u"d:", DriveType::RamDisk},
        {u"E:\\", DriveType::NoRootDir},   {u"F:\\", DriveType::NoRootDir},
        {u"G:\\", DriveType::NoRootDir},   {u"C:\\windows", DriveType::NoRootDir},
        {u"C:\\\\", DriveType::NoRootDir}, {u"\\", DriveType::NoRootDir},
        {u"", DriveType::NoRootDir},       {u"1:\\", DriveType::NoRootDir},
    };
    for (const auto& [root, type] : cases) {
        EXPECT_EQ(QueryDriveType(root), type) << util::ToUtf8(root);
    }
}

TEST_F(SystemInfoDriveTest, WithoutAPrefixDriveCIsTheRootFileSystem) {
    const test::TempDir empty;
    const ScopedEnvironment noPrefix("WINEPREFIX", empty.Path().c_str());
    EXPECT_EQ(QueryDriveType(u"C:\\"), DriveType::Fixed);
    EXPECT_EQ(QueryDriveType(u"c:"), DriveType::Fixed);
    EXPECT_EQ(QueryDriveType(u"D:\\"), DriveType::NoRootDir);
    EXPECT_EQ(WindowsDirectory(), u"C:\\windows");

    struct statvfs root {};
    ASSERT_EQ(::statvfs("/", &root), 0);
    EXPECT_EQ(GetVolumeSerialNumber(u"C:\\"), Fold(root.f_fsid));
}

TEST_F(SystemInfoDriveTest, WindowsDirectoryNeedsDriveCInAPrefix) {
    EXPECT_EQ(WindowsDirectory(), std::nullopt);
    MapDrive('c', driveC_.Path());
    EXPECT_EQ(WindowsDirectory(), u"C:\\windows");
}

TEST_F(SystemInfoDriveTest, SerialFromTheSerialFileElseFromTheFileSystem) {
    MapDrive('c', driveC_.Path());
    struct statvfs info {};
    ASSERT_EQ(::statvfs(driveC_.Path().c_str(), &info), 0);
    ASSERT_NE(info.f_fsid, 0U);
    const std::uint32_t fileSystemSerial = Fold(info.f_fsid);

    EXPECT_EQ(GetVolumeSerialNumber(u"C:\\"), fileSystemSerial);
    EXPECT_EQ(GetVolumeSerialNumber(u"c:"), fileSystemSerial);

    test::WriteFile(driveC_ / ".windows-serial", "abcd1234\n");
    EXPECT_EQ(GetVolumeSerialNumber(u"C:\\"), 0xABCD1234U);

    test::WriteFile(driveC_ / ".windows-serial", "not a number\n");
    EXPECT_EQ(GetVolumeSerialNumber(u"C:\\"), fileSystemSerial);

    fs::remove(driveC_ / ".windows-serial");
    fs::create_directory(driveC_ / ".windows-serial");
    EXPECT_EQ(GetVolumeSerialNumber(u"C:\\"), fileSystemSerial);
}

TEST_F(SystemInfoDriveTest, FreeBytesAsStatvfsCountsThem) {
    MapDrive('c', driveC_.Path());
    MapDrive('d', "/dev/shm");
    for (const auto& [root, folder] :
         {std::pair{u"C:\\", driveC_.Path()}, std::pair{u"d:", fs::path("/dev/shm")}}) {
        struct statvfs info {};
        ASSERT_EQ(::statvfs(folder.c_str(), &info), 0);
        const std::uint64_t expected = static_cast<std::uint64_t>(info.f_bfree) * info.f_frsize;
        const std::optional<std::uint64_t> free = GetDriveFreeBytes(root);
        ASSERT_TRUE(free.has_value()) << folder;
        // Other programs write to the same disk meanwhile.
        constexpr std::uint64_t kDrift = 512ULL << 20;
        EXPECT_LE(*free, expected + kDrift) << folder;
        EXPECT_GE(*free + kDrift, expected) << folder;
    }
}

TEST_F(SystemInfoDriveTest, MissingDrivesFailWithTheLastErrorSet) {
    MapDrive('e', prefix_ / "no-such-folder");
    const std::vector<std::pair<std::u16string, std::uint32_t>> cases = {
        {u"E:\\", kErrorPathNotFound},
        {u"F:\\", kErrorPathNotFound},
        {u"nowhere", kErrorInvalidName},
    };
    for (const auto& [root, error] : cases) {
        SetLastError(kErrorSuccess);
        EXPECT_EQ(GetDriveFreeBytes(root), std::nullopt) << util::ToUtf8(root);
        EXPECT_EQ(GetLastError(), error) << util::ToUtf8(root);
        SetLastError(kErrorSuccess);
        EXPECT_EQ(GetVolumeSerialNumber(root), std::nullopt) << util::ToUtf8(root);
        EXPECT_EQ(GetLastError(), error) << util::ToUtf8(root);
    }
}

TEST_F(SystemInfoDriveTest, NoTrimWithoutABlockDevice) {
    MapDrive('d', "/dev/shm");
    MapDrive('e', prefix_ / "no-such-folder");
    for (const char16_t letter : {u'd', u'D', u'e', u'f', u'1'}) {
        EXPECT_FALSE(IsVolumeTrimEnabled(letter)) << static_cast<char>(letter);
    }
}

// ---- Block devices in a sysfs tree ----

class BlockDeviceTest : public testing::Test {
protected:
    /// A disk under devices/, linked from dev/block/<major>:<minor>, with a partition when
    /// partitionMinor is given.
    void AddDisk(const std::string& name, unsigned major, unsigned minor, const char* removable,
                 const char* discardMaxBytes, std::optional<unsigned> partitionMinor = {}) const {
        const fs::path disk = sys_ / "devices" / "pci0000:00" / "block" / name;
        fs::create_directories(disk / "queue");
        test::WriteFile(disk / "removable", removable);
        test::WriteFile(disk / "queue" / "discard_max_bytes", discardMaxBytes);
        Link(disk, major, minor);
        if (partitionMinor) {
            const fs::path partition = disk / (name + "1");
            fs::create_directories(partition);
            test::WriteFile(partition / "partition", "1\n");
            Link(partition, major, *partitionMinor);
        }
    }

    void Link(const fs::path& folder, unsigned major, unsigned minor) const {
        fs::create_directories(sys_ / "dev" / "block");
        fs::create_directory_symlink(fs::relative(folder, sys_ / "dev" / "block"),
                                     sys_ / "dev" / "block" /
                                         (std::to_string(major) + ':' + std::to_string(minor)));
    }

    test::TempDir root_;
    fs::path sys_ = root_ / "sys";
};

TEST_F(BlockDeviceTest, WholeDiskRemovableAndTrim) {
    AddDisk("sda", 8, 0, "0\n", "2147450880\n", 1);
    AddDisk("sdb", 8, 16, "1\n", "0\n", 17);
    AddDisk("sr0", 11, 0, "1\n", "0\n");
    AddDisk("odd", 8, 32, "junk\n", "junk\n");
    struct Case {
        dev_t device;
        std::string disk;
        bool removable;
        bool trim;
    };
    const std::vector<Case> cases = {
        {makedev(8, 0), "sda", false, true},  {makedev(8, 1), "sda", false, true},
        {makedev(8, 16), "sdb", true, false}, {makedev(8, 17), "sdb", true, false},
        {makedev(11, 0), "sr0", true, false}, {makedev(8, 32), "odd", false, false},
    };
    for (const Case& c : cases) {
        const std::optional<fs::path> disk = posix::WholeDiskFolder(c.device, sys_);
        ASSERT_TRUE(disk.has_value()) << c.disk;
        EXPECT_EQ(disk->filename(), c.disk);
        EXPECT_EQ(posix::IsRemovableDisk(*disk), c.removable) << c.disk;
        EXPECT_EQ(posix::HasTrim(*disk), c.trim) << c.disk;
    }
    EXPECT_EQ(posix::WholeDiskFolder(makedev(8, 48), sys_), std::nullopt);
    EXPECT_EQ(posix::WholeDiskFolder(makedev(0, 42), sys_), std::nullopt);
    EXPECT_TRUE(posix::IsOpticalDevice(makedev(11, 0)));
    EXPECT_FALSE(posix::IsOpticalDevice(makedev(8, 0)));
}

TEST_F(BlockDeviceTest, AFileSystemWithAnAnonymousDeviceIsTracedToItsMountSource) {
    // btrfs and the like report a device number of major 0; mountinfo names the disk they were
    // mounted from. The disk node here is any block device node this machine has.
    std::string node;
    for (const char* candidate : {"/dev/vda", "/dev/sda", "/dev/nvme0n1", "/dev/loop0"}) {
        struct stat info {};
        if (::stat(candidate, &info) == 0 && S_ISBLK(info.st_mode)) {
            node = candidate;
            break;
        }
    }
    if (node.empty()) {
        GTEST_SKIP() << "no block device node to mount from";
    }
    struct stat nodeInfo {};
    ASSERT_EQ(::stat(node.c_str(), &nodeInfo), 0);
    const fs::path mountInfo = root_ / "mountinfo";
    test::WriteFile(mountInfo, "21 1 0:20 / /proc rw,relatime - proc proc rw\n"
                               "27 1 0:42 / / rw,relatime shared:1 - btrfs " +
                                   node +
                                   " rw,subvol=/@\n"
                                   "28 27 0:43 / /data rw - overlay overlay rw\n");
    EXPECT_EQ(posix::BackingDevice(makedev(0, 42), mountInfo), nodeInfo.st_rdev);
    EXPECT_EQ(posix::BackingDevice(makedev(0, 43), mountInfo), makedev(0, 43));
    EXPECT_EQ(posix::BackingDevice(makedev(0, 20), mountInfo), makedev(0, 20));
    EXPECT_EQ(posix::BackingDevice(makedev(0, 99), mountInfo), makedev(0, 99));
    EXPECT_EQ(posix::BackingDevice(makedev(0, 42), root_ / "missing"), makedev(0, 42));
}

TEST_F(BlockDeviceTest, ThisMachinesRootDiskIsFound) {
    struct stat root {};
    ASSERT_EQ(::stat("/", &root), 0);
    if (!fs::exists("/sys/dev/block/" + std::to_string(major(root.st_dev)) + ':' +
                    std::to_string(minor(root.st_dev)))) {
        GTEST_SKIP() << "the root file system lies on no block device";
    }
    const std::optional<fs::path> disk = posix::WholeDiskFolder(root.st_dev);
    ASSERT_TRUE(disk.has_value());
    EXPECT_TRUE(fs::exists(*disk / "queue"));
    EXPECT_FALSE(fs::exists(*disk / "partition"));
}

// ---- Display cards in a sysfs tree ----

struct CardFixture {
    std::string name;
    std::string vendor; // device/vendor; none when empty
    std::string device; // device/device
    std::string driver; // the device/driver link's target name; none when empty
};

struct DisplayCase {
    std::string what;
    std::vector<CardFixture> cards;
    std::optional<std::string> description;
};

class DisplayAdapterTest : public testing::TestWithParam<DisplayCase> {
protected:
    void Build(const std::vector<CardFixture>& cards) const {
        const fs::path drm = root_ / "sys" / "class" / "drm";
        fs::create_directories(drm);
        for (const CardFixture& card : cards) {
            const fs::path device = drm / card.name / "device";
            fs::create_directories(device);
            if (!card.vendor.empty()) {
                test::WriteFile(device / "vendor", card.vendor);
                test::WriteFile(device / "device", card.device);
            }
            if (!card.driver.empty()) {
                fs::create_directory_symlink("../../../bus/platform/drivers/" + card.driver,
                                             device / "driver");
            }
        }
    }

    test::TempDir root_;
};

TEST_P(DisplayAdapterTest, DescribesTheFirstCard) {
    Build(GetParam().cards);
    test::WriteFile(root_ / "pci.ids", kPciIds);
    EXPECT_EQ(posix::FirstDisplayCardDescription(root_ / "sys", root_ / "pci.ids"),
              GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, DisplayAdapterTest,
    testing::Values(
        DisplayCase{"NamedFromPciIds",
                    {{"card0", "0x10de\n", "0x1b80\n", "nvidia"}},
                    "NVIDIA Corporation GP104 [GeForce GTX 1080]"},
        DisplayCase{"LowestNumberFirst",
                    {{"card1", "0x1002\n", "0x73bf\n", ""}, {"card0", "0x10de\n", "0x2204\n", ""}},
                    "NVIDIA Corporation GA102 [GeForce RTX 3090]"},
        DisplayCase{"NumberedNotSortedAsText",
                    {{"card10", "0x10de\n", "0x2204\n", ""}, {"card2", "0x1002\n", "0x73bf\n", ""}},
                    "Advanced Micro Devices, Inc. [AMD/ATI] Navi 21 [Radeon RX 6800/6800 XT / "
                    "6900 XT]"},
        DisplayCase{"ConnectorsAreNoCards",
                    {{"card0-HDMI-A-1", "0x10de\n", "0x1b80\n", ""},
                     {"renderD128", "0x10de\n", "0x1b80\n", ""},
                     {"card", "0x10de\n", "0x1b80\n", ""},
                     {"card3", "0x1002\n", "0x73bf\n", ""}},
                    "Advanced Micro Devices, Inc. [AMD/ATI] Navi 21 [Radeon RX 6800/6800 XT / "
                    "6900 XT]"},
        DisplayCase{"UnlistedPciIdsInHex",
                    {{"card0", "0x1af4\n", "0x1050\n", "virtio-pci"}},
                    "PCI 1af4:1050"},
        DisplayCase{
            "ListedVendorUnlistedDevice", {{"card0", "0x10de\n", "0x00ab\n", ""}}, "PCI 10de:00ab"},
        DisplayCase{"NotPciByDriver", {{"card0", "", "", "vc4-drm"}}, "vc4-drm"},
        DisplayCase{"NeitherIdsNorDriver", {{"card0", "", "", ""}}, std::nullopt},
        DisplayCase{"NoCards", {}, std::nullopt}),
    [](const testing::TestParamInfo<DisplayCase>& param) { return param.param.what; });

TEST(DisplayAdapterNoDrmTest, NothingWithoutADrmFolder) {
    const test::TempDir root;
    EXPECT_EQ(posix::FirstDisplayCardDescription(root / "sys", root / "pci.ids"), std::nullopt);
    if (!fs::exists("/sys/class/drm")) {
        EXPECT_EQ(GetFirstDisplayDeviceDescription(), std::nullopt);
    }
}

// ---- The Windows version of the prefix ----

struct OsVersionCase {
    std::string what;
    bool win64;
    std::string values; // lines of the CurrentVersion key; no key when empty
    std::optional<OsVersion> version;
};

class OsVersionTest : public testing::TestWithParam<OsVersionCase> {
protected:
    test::TempDir prefix_;
    ScopedEnvironment winePrefix_{"WINEPREFIX", prefix_.Path().c_str()};
};

TEST_P(OsVersionTest, ReadFromThePrefixRegistry) {
    const OsVersionCase& c = GetParam();
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
    text += c.win64 ? "#arch=win64\n\n" : "#arch=win32\n\n";
    if (!c.values.empty()) {
        text += "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n" + c.values +
                "\n";
    }
    test::WriteFile(prefix_ / "system.reg", text);
    const std::optional<OsVersion> version = GetOsVersion();
    ASSERT_EQ(version.has_value(), c.version.has_value());
    if (version) {
        EXPECT_EQ(version->major, c.version->major);
        EXPECT_EQ(version->minor, c.version->minor);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, OsVersionTest,
    testing::Values(
        OsVersionCase{"DwordPair", false,
                      "\"CurrentMajorVersionNumber\"=dword:0000000a\n"
                      "\"CurrentMinorVersionNumber\"=dword:00000000\n"
                      "\"CurrentVersion\"=\"6.3\"",
                      OsVersion{10, 0}},
        OsVersionCase{"DwordPairInAWin64Prefix", true,
                      "\"CurrentMajorVersionNumber\"=dword:0000000a\n"
                      "\"CurrentMinorVersionNumber\"=dword:00000000",
                      OsVersion{10, 0}},
        OsVersionCase{"TextWithoutDwords", false, "\"CurrentVersion\"=\"6.1\"", OsVersion{6, 1}},
        OsVersionCase{"TextWhenOnlyOneDword", false,
                      "\"CurrentMajorVersionNumber\"=dword:0000000a\n"
                      "\"CurrentVersion\"=\"6.2\"",
                      OsVersion{6, 2}},
        OsVersionCase{"TextThatIsNoVersion", false, "\"CurrentVersion\"=\"six\"", std::nullopt},
        OsVersionCase{"TextOfAnotherType", false, "\"CurrentVersion\"=dword:00000006",
                      std::nullopt},
        OsVersionCase{"NoValues", false, "\"ProductName\"=\"Microsoft Windows 7\"", std::nullopt},
        OsVersionCase{"NoKey", false, "", std::nullopt}),
    [](const testing::TestParamInfo<OsVersionCase>& param) { return param.param.what; });

TEST(SystemInfoOsVersionTest, NothingWithoutAPrefix) {
    const test::TempDir empty;
    const ScopedEnvironment noPrefix("WINEPREFIX", empty.Path().c_str());
    EXPECT_FALSE(GetOsVersion().has_value());
}

// ---- This machine ----

std::optional<std::uint64_t> MemTotalFromProcMeminfo() {
    std::ifstream in("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (in >> key >> kibibytes >> unit) {
        if (key == "MemTotal:") {
            return kibibytes * 1024;
        }
    }
    return std::nullopt;
}

TEST(SystemInfoMachineTest, TotalMemoryAsTheKernelCountsIt) {
    const std::optional<std::uint64_t> memTotal = MemTotalFromProcMeminfo();
    ASSERT_TRUE(memTotal.has_value());
    EXPECT_EQ(GetTotalPhysicalMemory(), memTotal);
}

TEST(SystemInfoMachineTest, ProductIsTheSystemsNameAndKernelRelease) {
    const std::optional<OsProduct> product = GetOsProduct();
    ASSERT_TRUE(product.has_value());
    EXPECT_FALSE(product->productName.empty());
    std::string release = test::ReadFile("/proc/sys/kernel/osrelease");
    release.erase(release.find_last_not_of('\n') + 1);
    EXPECT_EQ(util::ToUtf8(product->build), release);
}

TEST(SystemInfoMachineTest, ProcessorNameIsThere) {
    const std::optional<std::u16string> name = GetProcessorName();
    ASSERT_TRUE(name.has_value());
    EXPECT_FALSE(name->empty());
}

} // namespace
} // namespace vg::platform
