// The program's own path, as the version lookup of telemetry uses it.
#include "platform/program_path.h"

#include "support/platform_quirks.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vg::platform {
namespace {

TEST(ProgramPathTest, NamesTheRunningTestProgram) {
    const std::filesystem::path path(GetProgramPath());
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.filename(),
              test::kWindowsBuild ? "vg_platform_tests_win32.exe" : "vg_platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
}

} // namespace
} // namespace vg::platform
