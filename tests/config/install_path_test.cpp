// The install-path lookup against the registry files of a win64 Wine prefix.
#include "config/install_path.h"

#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vg::config {
namespace {

/// A hex list of that many "a" characters in UTF-16LE, with no terminating zero.
std::string HexOfLettersA(std::size_t count) {
    std::string list = "61,00";
    for (std::size_t i = 1; i < count; ++i) {
        list += ",61,00";
    }
    return list;
}

class InstallPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("WINEPREFIX", prefix_.Path().c_str(), 1);
        const std::string vendor = "[Software\\\\Wow6432Node\\\\Vendor\\\\";
        test::WriteFile(prefix_ / "system.reg",
                        "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                        "#arch=win64\n\n" +
                            vendor + "Game]\n\"InstallPath\"=\"C:\\\\Games\\\\Game\"\n" + vendor +
                            "Empty]\n\"InstallPath\"=\"\"\n" + vendor +
                            "Expand]\n\"installpath\"=str(2):\"%ProgramFiles%\\\\Game\"\n" +
                            vendor + "Fits]\n\"InstallPath\"=\"" + std::string(2599, 'a') + "\"\n" +
                            vendor + "TooLong]\n\"InstallPath\"=\"" + std::string(2600, 'a') +
                            "\"\n" + vendor +
                            "NoZero]\n\"InstallPath\"=hex(1):" + HexOfLettersA(2600) + "\n" +
                            vendor + "OtherValue]\n\"Path\"=\"C:\\\\x\"\n" +
                            "[Software\\\\Vendor\\\\Only64]\n\"InstallPath\"=\"C:\\\\64\"\n");
        test::WriteFile(prefix_ / "user.reg",
                        "WINE REGISTRY Version 2\n\n[Software\\\\Vendor\\\\Game]\n"
                        "\"InstallPath\"=\"D:\\\\User\\\\Game\"\n");
    }
    void TearDown() override { ::unsetenv("WINEPREFIX"); }

    test::TempDir prefix_;
};

TEST_F(InstallPathTest, TriesEachPathInOrder) {
    struct Case {
        std::u16string root;
        std::vector<std::u16string> paths;
        int found;
        std::u16string installPath;
    };
    const std::u16string game = u"Software\\Vendor\\Game";
    const std::u16string empty = u"Software\\Vendor\\Empty";
    const std::u16string missing = u"Software\\Vendor\\Missing";
    const std::u16string tooLong = u"Software\\Vendor\\TooLong";
    const std::vector<Case> cases = {
        {u"hklm", {game}, 1, u"C:\\Games\\Game"},
        {u"HKLM", {game}, 1, u"C:\\Games\\Game"},
        {u"HKEY_LOCAL_MACHINE", {game}, 1, u"D:\\User\\Game"},
        {u"hkcu", {game}, 1, u"D:\\User\\Game"},
        {u"", {game}, 1, u"D:\\User\\Game"},
        {u"HKLM", {missing, game}, 1, u"C:\\Games\\Game"},
        {u"HKLM", {empty, game}, 1, u"C:\\Games\\Game"},
        {u"HKLM", {empty, missing}, 0, u""},
        {u"HKLM", {u"Software\\Vendor\\OtherValue"}, 0, u""},
        {u"HKLM", {u"Software\\Vendor\\Only64"}, 0, u""},
        {u"HKLM", {u"Software\\Vendor\\Expand"}, 1, u"%ProgramFiles%\\Game"},
        {u"HKLM", {u"Software\\Vendor\\Fits"}, 1, std::u16string(2599, u'a')},
        {u"HKLM", {tooLong}, 0, u""},
        {u"HKLM", {u"Software\\Vendor\\NoZero"}, 0, u""},
        {u"HKLM", {tooLong, game}, 1, u"C:\\Games\\Game"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(util::ToUtf8(c.root) + " " + util::ToUtf8(c.paths.front()));
        std::u16string installPath = u"left over";
        EXPECT_EQ(FindInstallPath(c.root, c.paths, installPath), c.found);
        EXPECT_EQ(installPath, c.installPath);
    }
}

} // namespace
} // namespace vg::config
