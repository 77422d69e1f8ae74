// The report's texts: the operating-system, processor, memory and drive forms, and the rules
// for Windows 11 and the DirectX generation.
#include "pcspec/system_info_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vg::pcspec {
namespace {

TEST(SystemInfoTextsTest, OsInfoNamesWindows11FromBuild22000) {
    struct Case {
        std::u16string product;
        std::u16string build;
        bool is64Bit;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {u"Windows 10 Pro", u"21999", true, u"Windows 10 Pro 64 bit (Build 21999)"},
        {u"Windows 10 Pro", u"22000", true, u"Windows 11 Pro 64 bit (Build 22000)"},
        {u"Windows 10 Home", u"22631", false, u"Windows 11 Home 32 bit (Build 22631)"},
        // Every occurrence is renamed, once; a build with a tail is read by its leading digits.
        {u"Windows 10 / Windows 10", u"22000.1", true,
         u"Windows 11 / Windows 11 64 bit (Build 22000.1)"},
        // Only "Windows 10" is ever renamed, whatever the build.
        {u"Windows Server 2022", u"26100", true, u"Windows Server 2022 64 bit (Build 26100)"},
        {u"Windows 7 Ultimate", u"7601", false, u"Windows 7 Ultimate 32 bit (Build 7601)"},
        // A build that does not start with a digit counts as 0; a huge one stays above 22000.
        {u"Windows 10 Pro", u"x22000", true, u"Windows 10 Pro 64 bit (Build x22000)"},
        {u"Windows 10 Pro", u"99999999999999999999", true,
         u"Windows 11 Pro 64 bit (Build 99999999999999999999)"},
        {u"Debian GNU/Linux 12 (bookworm)", u"6.1.0-18-amd64", true,
         u"Debian GNU/Linux 12 (bookworm) 64 bit (Build 6.1.0-18-amd64)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OsInfoText(c.product, c.build, c.is64Bit), c.expected)
            << std::string(c.build.begin(), c.build.end());
    }
}

TEST(SystemInfoTextsTest, ProcessorNameLosesWhiteSpaceAtBothEnds) {
    EXPECT_EQ(CpuInfoText(u"        Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz \t"),
              u"Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
    EXPECT_EQ(CpuInfoText(u"   "), u"");
}

TEST(SystemInfoTextsTest, MemoryIsWholeMebibytesRoundedUpToEven) {
    const std::vector<std::pair<std::uint64_t, std::u16string>> cases = {
        {16383ULL << 20, u"16384MB"},
        {8192ULL << 20, u"8192MB"},
        {(8192ULL << 20) + (1 << 20) - 1, u"8192MB"}, // part of a MiB is dropped first
        {(1ULL << 20) - 1, u"0MB"},
        {1ULL << 20, u"2MB"},
        {3ULL << 40, u"3145728MB"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(RamInfoText(bytes), expected) << bytes;
    }
}

TEST(SystemInfoTextsTest, DriveTextsKeepTheirRootForms) {
    EXPECT_EQ(HarddiskGroup(u"c:\\", 102400) + HarddiskGroup(u"d:\\", 512000),
              u"[c:\\ - 102400MB][d:\\ - 512000MB]");
    EXPECT_EQ(FixedDriveEntry(u"c:\\", 102400), u"C:\\|102400");
    EXPECT_EQ(WholeMebibytes((5ULL << 20) + 12345), 5U);
}

TEST(SystemInfoTextsTest, WindowsGenerations) {
    const std::vector<std::pair<platform::OsVersion, int>> cases = {
        {{10, 0}, 10}, {{6, 0}, 6}, {{6, 1}, 7},  {{6, 2}, 8},
        {{6, 3}, 8},   {{5, 1}, 0}, {{11, 0}, 0}, {{0, 0}, 0},
    };
    for (const auto& [version, generation] : cases) {
        EXPECT_EQ(WindowsGeneration(version), generation) << version.major << "." << version.minor;
    }
}

TEST(SystemInfoTextsTest, DirectXTextFromTheRegistryVersion) {
    struct Case {
        std::u16string version;
        int generation;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        // Runtime 9: the Windows generation decides.
        {u"4.09.00.0904", 10, u"DirectX 12.0"},
        {u"4.09.00.0904", 8, u"DirectX 11.0"},
        {u"4.09.00.0904", 7, u"DirectX 11.0"},
        {u"4.09.00.0904", 6, u"DirectX 10.0"},
        {u"4.09.00.0904", 0, u"DirectX 9.0c"},
        // Runtime 0: the build number at index 5 decides.
        {u"6.00.6000.16386", 6, u"DirectX 10.0"},
        {u"6.00.6001.18000", 6, u"DirectX 11.0"},
        {u"6.00.6002.18005", 7, u"DirectX 11.0"},
        {u"6.00.7600.16385", 7, u"DirectX 12.0"},
        {u"6.01.7600.16385", 7, u"DirectX 11.0"},
        {u"6.02.9200.16384", 8, u"DirectX 11.1"},
        {u"6.03.9600.16384", 8, u"DirectX 11.2"},
        {u"4.08.01.0881", 10, u"DirectX 9.0c"},
        // Pieces cut short or starting with something else than a digit read as 0.
        {u"4.", 10, u"DirectX 12.0"},
        {u"", 10, u"DirectX 12.0"},
        {u"4.x9.00.0904", 10, u"DirectX 12.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DirectXVersionText(c.version, c.generation), c.expected)
            << std::string(c.version.begin(), c.version.end()) << " on " << c.generation;
    }
}

} // namespace
} // namespace vg::pcspec
