// A security-centre reply is read as the UTF-8 the server sent, whatever the ANSI code page: a
// Korean text beside "status" 0 is a success under code page 949 as under UTF-8.
#include "pcreg/security_centre.h"

#include "net/sandbox_fixture.h"
#include "support/code_page_scope.h"

#include <gtest/gtest.h>

namespace vg::test {
namespace {

class SecurityCentreCodePageTest : public SandboxTest {};

TEST_F(SecurityCentreCodePageTest, KoreanReplyTextSucceedsOnEveryCodePage) {
    const std::string host = util::ToUtf8(deployment::kSecurityCentreHostProd);
    sandbox_->SetReply(host, "/api/sc/manage/pc/byplugin", 200,
                       R"({"message":"등록되었습니다","status":0})");
    for (const unsigned codePage : {949U, 1252U, 65001U}) {
        ScopedThreadAnsiCodePage scope(codePage);
        EXPECT_TRUE(pcreg::SendSecurityCentreRequest(u"{\"hash\":\"h\"}", 1, 0, u"live", u"tok"))
            << codePage;
    }
    sandbox_->SetReply(host, "/api/sc/manage/pc/byplugin", 200,
                       R"({"message":"등록되었습니다","status":1})");
    ScopedThreadAnsiCodePage korean(949);
    EXPECT_FALSE(pcreg::SendSecurityCentreRequest(u"{\"hash\":\"h\"}", 1, 0, u"live", u"tok"));
    EXPECT_EQ(sandbox_->Requests().size(), 4u);
}

} // namespace
} // namespace vg::test
