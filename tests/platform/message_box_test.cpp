// Message boxes without a display: one line on standard error.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vg::platform {
namespace {

TEST(MessageBoxTest, WithoutADisplayTheTextGoesToStandardError) {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    ShowMessageBox(u"[오류번호:19] 설정 파일을 읽을 수 없습니다.\n\n다시");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Varnugames Starter: [오류번호:19] 설정 파일을 읽을 수 없습니다.\n\n다시\n");
}

} // namespace
} // namespace vg::platform
