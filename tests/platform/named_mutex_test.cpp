// The named mutex as a presence marker, within one process.
#include "platform/named_mutex.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vg::platform {
namespace {

class NamedMutexTest : public testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", runtimeDir_.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_RUNTIME_DIR"); }

    test::TempDir runtimeDir_;
};

TEST_F(NamedMutexTest, SecondCreateSeesTheFirstUntilItCloses) {
    NamedMutex first = NamedMutex::Create(u"__VG_TEST__");
    ASSERT_TRUE(first.IsHeld());
    EXPECT_FALSE(first.AlreadyExisted());
    EXPECT_TRUE(std::filesystem::exists(runtimeDir_ / "__VG_TEST__.lock"));

    const NamedMutex second = NamedMutex::Create(u"__VG_TEST__");
    EXPECT_TRUE(second.AlreadyExisted());
    EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
    EXPECT_FALSE(NamedMutex::Create(u"__VG_OTHER__").AlreadyExisted());

    first.Close();
    EXPECT_FALSE(NamedMutex::Create(u"__VG_TEST__").AlreadyExisted());
}

TEST_F(NamedMutexTest, MovedMutexKeepsTheLock) {
    NamedMutex moved;
    {
        NamedMutex original = NamedMutex::Create(u"__VG_TEST__");
        moved = std::move(original);
    }
    EXPECT_TRUE(NamedMutex::Create(u"__VG_TEST__").AlreadyExisted());
}

TEST_F(NamedMutexTest, WithoutARuntimeDirTheLockIsPerUserInTheTemporaryDirectory) {
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", runtimeDir_.Path().c_str(), 1);
    const NamedMutex mutex = NamedMutex::Create(u"__VG_TEST__");
    ::unsetenv("TMPDIR");
    ASSERT_TRUE(mutex.IsHeld());
    EXPECT_TRUE(std::filesystem::exists(runtimeDir_ /
                                        ("__VG_TEST__-" + std::to_string(::getuid()) + ".lock")));
}

TEST_F(NamedMutexTest, UnusableFolderIsAnError) {
    ::setenv("XDG_RUNTIME_DIR", (runtimeDir_ / "missing").c_str(), 1);
    const NamedMutex mutex = NamedMutex::Create(u"__VG_TEST__");
    EXPECT_FALSE(mutex.IsHeld());
    EXPECT_FALSE(mutex.AlreadyExisted());
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

} // namespace
} // namespace vg::platform
