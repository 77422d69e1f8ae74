// Making the folders on a file's path, against a real scratch tree.
#include "net/create_parent_directories.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "support/platform_quirks.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace vg::net {
namespace {

namespace fs = std::filesystem;
using test::Wide;

class CreateParentDirectoriesTest : public testing::Test {
protected:
    test::TempDir dir_;
};

TEST_F(CreateParentDirectoriesTest, MakesEveryFolderButNotTheFile) {
    const std::vector<std::pair<std::u16string, fs::path>> cases = {
        {Wide(dir_ / "a" / "b" / "c" / "file.bin"), dir_ / "a" / "b" / "c"},
        {Wide(dir_.Path()) + u"\\w\\x\\file.bin", dir_ / "w" / "x"},
        {Wide(dir_.Path()) + u"\\mixed/forms\\of/file.bin", dir_ / "mixed" / "forms" / "of"},
        {Wide(dir_ / "trailing" / ""), dir_ / "trailing"},
    };
    for (const auto& [path, deepest] : cases) {
        EXPECT_TRUE(CreateParentDirectories(path)) << util::ToUtf8(path);
        EXPECT_TRUE(fs::is_directory(deepest)) << deepest;
    }
    EXPECT_FALSE(fs::exists(dir_ / "a" / "b" / "c" / "file.bin"));
    EXPECT_FALSE(fs::exists(dir_ / "w" / "x" / "file.bin"));
}

TEST_F(CreateParentDirectoriesTest, KeepsWhatIsThere) {
    fs::create_directories(dir_ / "game" / "data");
    test::WriteFile(dir_ / "game" / "data" / "keep.pak", "kept");
    EXPECT_TRUE(CreateParentDirectories(Wide(dir_ / "game" / "data" / "maps" / "level1.pak")));
    EXPECT_TRUE(fs::is_directory(dir_ / "game" / "data" / "maps"));
    EXPECT_EQ(test::ReadFile(dir_ / "game" / "data" / "keep.pak"), "kept");
}

TEST_F(CreateParentDirectoriesTest, NoFolderInTheNameCreatesNothing) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_.Path());
    for (const std::u16string path : {u"\\file.bin", u"/file.bin", u"file.bin", u""}) {
        EXPECT_TRUE(CreateParentDirectories(path)) << util::ToUtf8(path);
    }
    fs::current_path(before);
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
}

TEST_F(CreateParentDirectoriesTest, AFileInTheWayStopsIt) {
    test::WriteFile(dir_ / "blocker", "a file, not a folder");
    platform::SetLastError(platform::kErrorSuccess);
    EXPECT_FALSE(CreateParentDirectories(Wide(dir_ / "blocker" / "sub" / "file.bin")));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAlreadyExists);
    EXPECT_FALSE(fs::exists(dir_ / "blocker" / "sub"));
}

TEST_F(CreateParentDirectoriesTest, DrivePathsGoThroughThePrefix) {
    if (test::kWindowsBuild) {
        GTEST_SKIP() << "Windows has drives of its own; the scratch folder is on one";
    }
    fs::create_directories(dir_ / "prefix" / "dosdevices");
    fs::create_directory(dir_ / "drive_c");
    fs::create_directory_symlink(dir_ / "drive_c", dir_ / "prefix" / "dosdevices" / "c:");
    {
        const test::ScopedEnvironment prefix("WINEPREFIX", (dir_ / "prefix").string().c_str());
        EXPECT_TRUE(CreateParentDirectories(u"C:\\Games\\My Game\\Launcher.exe"));
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "drive_c" / "Games" / "My Game"));
    EXPECT_FALSE(fs::exists(dir_ / "drive_c" / "Games" / "My Game" / "Launcher.exe"));
}

} // namespace
} // namespace vg::net
