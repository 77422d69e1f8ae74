// POST requests against the sandbox: bodies byte for byte in both forms, the header rules, the
// answer, and the telemetry post with its short time-outs.
#include "net/http_post.h"

#include "net/sandbox_fixture.h"
#include "platform/error_codes.h"
#include "support/code_page_scope.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

namespace vg::net {
namespace {

using util::FromUtf8;

const std::string kApi = util::ToUtf8(deployment::kServiceApiHostLive);

class HttpPostTest : public test::SandboxTest {
protected:
    sandbox::RecordedRequest PostAndRecord(std::u16string_view body, int secure,
                                           std::u16string_view headers = u"") {
        std::u16string response;
        EXPECT_EQ(HttpPostForm(FromUtf8(kApi + "/pcspec/send/x"), body, headers, secure, response),
                  0u);
        const auto requests = sandbox_->Requests();
        sandbox_->ClearRequests();
        return requests.empty() ? sandbox::RecordedRequest{} : requests.back();
    }
};

TEST_F(HttpPostTest, FormBodiesInBothForms) {
    const auto secure = PostAndRecord(u"a=1&b=%20x", 1);
    EXPECT_EQ(secure.method, "POST");
    EXPECT_EQ(secure.path, "/pcspec/send/x");
    EXPECT_TRUE(secure.tls);
    EXPECT_EQ(secure.body, "a=1&b=%20x");
    EXPECT_EQ(secure.Header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(secure.Header("user-agent"), "VarnugamesStarter");

    const auto plain = PostAndRecord(u"a=1&b=%20x", 0);
    EXPECT_FALSE(plain.tls);
    EXPECT_EQ(plain.body, "a=1&b=%20x");
    EXPECT_EQ(plain.Header("pragma"), "no-cache");
}

TEST_F(HttpPostTest, NonAsciiBodies) {
    EXPECT_EQ(PostAndRecord(u"가", 1).body, "%EA%B0%80");
    EXPECT_EQ(PostAndRecord(u"éa", 1).body, "%C3%A9%61");
    {
        test::ScopedThreadAnsiCodePage korean(949);
        EXPECT_EQ(PostAndRecord(u"가", 0).body, "\xB0\xA1");
    }
    test::ScopedThreadAnsiCodePage western(1252);
    EXPECT_EQ(PostAndRecord(u"가", 1).body, "?");
    EXPECT_EQ(PostAndRecord(u"가", 0).body, "?");
}

TEST_F(HttpPostTest, CallerHeadersReplaceTheFormContentType) {
    const auto request = PostAndRecord(
        u"{}", 1, u"Content-Type:application/json; charset=utf-8 \r\nX-VG-Token:tok\r\n");
    EXPECT_EQ(request.Header("content-type"), "application/json; charset=utf-8");
    EXPECT_EQ(request.Header("x-vg-token"), "tok");
    EXPECT_EQ(request.headers.count("content-type"), 1u);
}

TEST_F(HttpPostTest, AnswerAndStatus) {
    sandbox_->SetReply(kApi, "/api/sc/manage/pc/byplugin", 200,
                       "{\"status\":0,\"m\":\"\xEA\xB0\x80\"}");
    std::u16string response;
    ASSERT_EQ(HttpPostForm(FromUtf8(kApi + "/api/sc/manage/pc/byplugin"), u"{}", u"", 1, response),
              0u);
    EXPECT_EQ(response, u"{\"status\":0,\"m\":\"가\"}");

    sandbox_->AddFault(kApi, "/fail", {.status = 500});
    response = u"kept";
    EXPECT_EQ(HttpPostForm(FromUtf8(kApi + "/fail"), u"x", u"", 1, response), 500u);
    EXPECT_EQ(response, u"kept");
}

TEST_F(HttpPostTest, UrlWithoutPathPostsToTheRoot) {
    std::u16string response;
    ASSERT_EQ(HttpPostForm(FromUtf8(kApi), u"x", u"", 1, response), 0u);
    EXPECT_EQ(sandbox_->Requests().back().path, "/");
}

TEST_F(HttpPostTest, TelemetryDocumentGoesToTheCollectorAsEscapedUtf8) {
    std::u16string response;
    ASSERT_EQ(PostTrelJson(1, "{\"action\":\"START\",\"mid\":\"\xEA\xB0\x80\"}", response), 0u);
    const auto request = sandbox_->Requests().back();
    EXPECT_EQ(request.host, test::kTelemetry);
    EXPECT_EQ(request.path, "/api/v1/prod/json");
    EXPECT_TRUE(request.tls);
    EXPECT_EQ(request.body, "{\"action\":\"START\",\"mid\":\"%EA%B0%80\"}");
    EXPECT_EQ(request.Header("content-type"), "application/json");
    EXPECT_EQ(request.Header("user-agent"), "VGTREL_LAUNCHER");
}

TEST_F(HttpPostTest, SilentCollectorTimesOut) {
    sandbox_->AddFault(test::kTelemetry, "/api/v1/prod/json",
                       {.delay = std::chrono::milliseconds(2500)});
    std::u16string response;
    EXPECT_EQ(PostTrelJson(0, "{}", response), platform::kErrorHttpTimeout);
}

} // namespace
} // namespace vg::net
