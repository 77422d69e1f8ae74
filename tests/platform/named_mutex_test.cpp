// The named mutex as a presence marker, within one process.
#include "platform/named_mutex.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "support/platform_quirks.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vg::platform {
namespace {

using test::kWindowsBuild;

class NamedMutexTest : public testing::Test {
protected:
    // A name no other test uses: Windows keeps one namespace for every process of the session.
    [[nodiscard]] std::u16string Name(std::u16string_view base) const {
        return std::u16string(base) + u"-" + test::Wide(runtimeDir_.Path().filename());
    }

    [[nodiscard]] std::filesystem::path LockFile(std::u16string_view name) const {
        return runtimeDir_ / (util::ToUtf8(name) + ".lock");
    }

    test::TempDir runtimeDir_;
    // Where Linux keeps the locks; Windows does not read it.
    test::ScopedEnvironment runtimeDirVariable_{"XDG_RUNTIME_DIR",
                                                runtimeDir_.Path().string().c_str()};
};

TEST_F(NamedMutexTest, SecondCreateSeesTheFirstUntilItCloses) {
    const std::u16string name = Name(u"__VG_TEST__");
    NamedMutex first = NamedMutex::Create(name);
    ASSERT_TRUE(first.IsHeld());
    EXPECT_FALSE(first.AlreadyExisted());
    if (!kWindowsBuild) {
        EXPECT_TRUE(std::filesystem::exists(LockFile(name)));
    }

    {
        const NamedMutex second = NamedMutex::Create(name);
        EXPECT_TRUE(second.AlreadyExisted());
        EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
        // Windows keeps the handle of the mutex it opened, as the holder's own; on Linux there
        // would be nothing to hold.
        EXPECT_EQ(second.IsHeld(), kWindowsBuild);
    }
    EXPECT_FALSE(NamedMutex::Create(Name(u"__VG_OTHER__")).AlreadyExisted());

    first.Close();
    EXPECT_FALSE(first.IsHeld());
    EXPECT_FALSE(NamedMutex::Create(name).AlreadyExisted());
}

TEST_F(NamedMutexTest, AnOpenerKeepsTheMutexOnlyOnWindows) {
    const std::u16string name = Name(u"__VG_TEST__");
    NamedMutex first = NamedMutex::Create(name);
    const NamedMutex second = NamedMutex::Create(name);
    first.Close();
    EXPECT_EQ(NamedMutex::Create(name).AlreadyExisted(), kWindowsBuild);
}

TEST_F(NamedMutexTest, MovedMutexKeepsTheLock) {
    const std::u16string name = Name(u"__VG_TEST__");
    NamedMutex moved;
    {
        NamedMutex original = NamedMutex::Create(name);
        moved = std::move(original);
        EXPECT_FALSE(original.IsHeld());
    }
    EXPECT_TRUE(moved.IsHeld());
    EXPECT_TRUE(NamedMutex::Create(name).AlreadyExisted());
}

TEST_F(NamedMutexTest, FailureHoldsNothingAndSetsTheLastError) {
    std::u16string name = Name(u"__VG_TEST__");
    // Linux: the folder of the locks is missing. Windows: the name is in a namespace that does
    // not exist.
    std::uint32_t expected = kErrorPathNotFound;
    const test::ScopedEnvironment missingFolder("XDG_RUNTIME_DIR",
                                                (runtimeDir_ / "missing").string().c_str());
    if (kWindowsBuild) {
        name = u"NoSuchNamespace\\" + name;
    } else {
        expected = kErrorFileNotFound;
    }
    const NamedMutex mutex = NamedMutex::Create(name);
    EXPECT_FALSE(mutex.IsHeld());
    EXPECT_FALSE(mutex.AlreadyExisted());
    EXPECT_EQ(GetLastError(), expected);
}

#ifndef _WIN32
TEST_F(NamedMutexTest, WithoutARuntimeDirTheLockIsPerUserInTheTemporaryDirectory) {
    const test::ScopedEnvironment noRuntimeDir("XDG_RUNTIME_DIR", nullptr);
    const test::ScopedEnvironment temporary("TMPDIR", runtimeDir_.Path().c_str());
    const NamedMutex mutex = NamedMutex::Create(u"__VG_TEST__");
    ASSERT_TRUE(mutex.IsHeld());
    EXPECT_TRUE(std::filesystem::exists(runtimeDir_ /
                                        ("__VG_TEST__-" + std::to_string(::getuid()) + ".lock")));
}
#endif

} // namespace
} // namespace vg::platform
