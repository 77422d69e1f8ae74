// Windows-form paths resolved through the Wine prefix.
#include "platform/posix/native_path.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vg::platform::posix {
namespace {

TEST(NativePathTest, MapsDrivesAndSeparators) {
    ::setenv("WINEPREFIX", "/home/u/.wine/", 1);
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"C:\\Games\\My Game\\L.exe", "/home/u/.wine/dosdevices/c:/Games/My Game/L.exe"},
        {u"d:/x/y", "/home/u/.wine/dosdevices/d:/x/y"},
        {u"Z:", "/home/u/.wine/dosdevices/z:"},
        {u"C:rel\\x", "/home/u/.wine/dosdevices/c:/rel/x"},
        {u"/opt/games/run", "/opt/games/run"},
        {u"dir\\file", "dir/file"},
        {u"C:\\게임", "/home/u/.wine/dosdevices/c:/\xEA\xB2\x8C\xEC\x9E\x84"},
    };
    for (const auto& [windowsPath, native] : cases) {
        EXPECT_EQ(NativePath(windowsPath), native);
    }
    ::unsetenv("WINEPREFIX");
}

TEST(NativePathTest, PrefixDefaultsToDotWineInHome) {
    ::unsetenv("WINEPREFIX");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(WinePrefix(), "/home/someone/.wine");
}

} // namespace
} // namespace vg::platform::posix
