// GET requests against the sandbox over real TLS: the host split, the request's form, the body
// rules, the status rule, the length query and the transport's error numbers.
#include "net/http_get.h"
#include "net/http_session.h"

#include "net/sandbox_fixture.h"
#include "platform/error_codes.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vg::net {
namespace {

using test::kCdn;
using util::FromUtf8;
using util::ToUtf8;

class HttpGetTest : public test::SandboxTest {
protected:
    std::uint32_t Get(const std::string& host, const std::string& path, std::u16string& text,
                      int secure = 1) {
        return HttpGetText(FromUtf8(host), FromUtf8(path), secure, text);
    }
};

TEST(HostStringTest, DirectoryPartMovesInFrontOfThePath) {
    const std::vector<std::array<std::u16string, 4>> cases = {
        {u"H/live/", u"GAME/file.json", u"H", u"/live/GAME/file.json"},
        {u"H", u"/x.json", u"H", u"/x.json"},
        {u"H/a/b/", u"c", u"H", u"/a/b/c"},
        {u"H/", u"x", u"H", u"/x"},
    };
    for (auto [host, path, expectedHost, expectedPath] : cases) {
        SplitHostString(host, path);
        EXPECT_EQ(host, expectedHost);
        EXPECT_EQ(path, expectedPath);
    }
}

TEST(UserAgentTest, TickCountIsPrintedAsASignedNumber) {
    EXPECT_EQ(UserAgentWithTick(5), u"VarnugamesStarter_5");
    EXPECT_EQ(UserAgentWithTick(0x7FFFFFFF), u"VarnugamesStarter_2147483647");
    EXPECT_EQ(UserAgentWithTick(0x80000000), u"VarnugamesStarter_-2147483648");
    EXPECT_EQ(UserAgentWithTick(0xFFFFFFFF), u"VarnugamesStarter_-1");
}

TEST_F(HttpGetTest, FetchesADocumentThroughTheHostSplit) {
    Serve(kCdn, "/live/GAME/file.json", "{\"k\":\"\xEA\xB0\x80\"}");
    std::u16string text;
    ASSERT_EQ(Get(kCdn + "/live/", "GAME/file.json", text), 0u);
    EXPECT_EQ(text, u"{\"k\":\"가\"}");

    const auto requests = sandbox_->Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/live/GAME/file.json");
    EXPECT_EQ(request.host, kCdn);
    EXPECT_EQ(request.hostHeader, kCdn);
    EXPECT_TRUE(request.tls);
    EXPECT_EQ(request.Header("cache-control"), "no-cache");
    EXPECT_EQ(request.Header("user-agent").rfind("VarnugamesStarter_", 0), 0u);
    EXPECT_EQ(request.Header("accept"), "");
}

TEST_F(HttpGetTest, PlainRequestGoesToPort80WithNoCache) {
    Serve(kCdn, "/x.json", "{}");
    std::u16string text;
    ASSERT_EQ(Get(kCdn, "/x.json", text, 0), 0u);
    const auto requests = sandbox_->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].tls);
    EXPECT_EQ(requests[0].Header("pragma"), "no-cache");
}

TEST_F(HttpGetTest, BodyRules) {
    struct Case {
        std::string body;
        std::uint32_t result;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"{\"page\":\"<html>\"}", 2, u"{\"page\":\"<html>\"}"},
        {"<HTML><BODY>x</BODY></HTML>", 0, u"<HTML><BODY>x</BODY></HTML>"},
        {std::string("before\0after", 12), 0, u"before"},
        {"", 0, u"unchanged"},
        {"bad \xFF byte", 0, u"bad \uFFFD byte"},
    };
    for (const Case& c : cases) {
        Serve(kCdn, "/doc.json", c.body);
        std::u16string text = u"unchanged";
        EXPECT_EQ(Get(kCdn, "/doc.json", text), c.result) << c.body;
        EXPECT_EQ(text, c.text) << c.body;
    }
}

TEST_F(HttpGetTest, StatusRule) {
    Serve(kCdn, "/ok.json", "{}");
    sandbox_->AddFault(kCdn, "/partial.json", {.status = 206, .body = "{\"p\":1}"});
    sandbox_->AddFault(kCdn, "/error.json", {.status = 500});
    sandbox_->AddFault(kCdn, "/maintenance.json", {.htmlPage = true});
    std::u16string text = u"kept";
    EXPECT_EQ(Get(kCdn, "/missing.json", text), 404u);
    EXPECT_EQ(text, u"kept");
    EXPECT_EQ(Get(kCdn, "/error.json", text), 500u);
    EXPECT_EQ(text, u"kept");
    EXPECT_EQ(Get(kCdn, "/partial.json", text), 0u);
    EXPECT_EQ(text, u"{\"p\":1}");
    EXPECT_EQ(Get(kCdn, "/maintenance.json", text), 2u);
}

TEST_F(HttpGetTest, RedirectsAreFollowedButNeverFromHttpsToHttp) {
    Serve(kCdn, "/new.json", "{\"moved\":1}");
    sandbox_->AddFault(kCdn, "/old.json", {.location = "https://" + kCdn + "/new.json"});
    sandbox_->AddFault(kCdn, "/down.json", {.location = "http://" + kCdn + "/new.json"});
    sandbox_->AddFault(kCdn, "/up.json",
                       {.status = 301, .location = "https://" + kCdn + "/new.json"});
    std::u16string text;
    EXPECT_EQ(Get(kCdn, "/old.json", text), 0u);
    EXPECT_EQ(text, u"{\"moved\":1}");
    EXPECT_EQ(sandbox_->Requests().size(), 2u);
    EXPECT_TRUE(AllRequestsWereSecure());

    sandbox_->ClearRequests();
    EXPECT_EQ(Get(kCdn, "/down.json", text), platform::kErrorHttpRedirectFailed);
    EXPECT_EQ(sandbox_->Requests().size(), 1u);
    EXPECT_TRUE(AllRequestsWereSecure());

    sandbox_->ClearRequests();
    text.clear();
    EXPECT_EQ(Get(kCdn, "/up.json", text, 0), 0u);
    EXPECT_EQ(text, u"{\"moved\":1}");
    ASSERT_EQ(sandbox_->Requests().size(), 2u);
    EXPECT_TRUE(sandbox_->Requests()[1].tls);
}

TEST_F(HttpGetTest, ContentLengthQuery) {
    Serve(kCdn, "/file.bin", std::string(12345, 'x'));
    std::uint64_t length = 99;
    ASSERT_EQ(HttpGetContentLength(FromUtf8(kCdn), u"/file.bin", 1, length), 0u);
    EXPECT_EQ(length, 12345u);
    const auto requests = sandbox_->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("cache-control"), "no-cache");
    EXPECT_EQ(requests[0].Header("pragma"), "no-cache");

    const std::vector<std::pair<sandbox::Fault, std::pair<std::uint32_t, std::uint64_t>>> faults = {
        {{.noContentLength = true}, {platform::kErrorHttpHeaderNotFound, 0}},
        {{.rawContentLength = "abc"}, {0, 0}},
        {{.rawContentLength = "  42xyz"}, {0, 42}},
        {{.rawContentLength = "-5"}, {platform::kErrorHttpInvalidServerResponse, 0}},
        {{.rawContentLength = "99999999999999999999999"},
         {platform::kErrorHttpInvalidServerResponse, 0}},
        {{.status = 206, .body = "abc"}, {0, 3}},
        {{.status = 403}, {403, 0}},
    };
    for (const auto& [fault, expected] : faults) {
        sandbox_->ClearFaults();
        sandbox_->AddFault(kCdn, "/file.bin", fault);
        length = 99;
        EXPECT_EQ(HttpGetContentLength(FromUtf8(kCdn), u"/file.bin", 1, length), expected.first);
        EXPECT_EQ(length, expected.second);
    }
}

TEST_F(HttpGetTest, TransportFailuresCarryWinHttpNumbers) {
    Serve(kCdn, "/x.json", "{}");
    std::u16string text;
    // Nothing listens on the port the host is routed to.
    ::setenv("VARNUGAMES_CONNECT_TO", (kCdn + ":443:127.0.0.1:1").c_str(), 1);
    EXPECT_EQ(Get(kCdn, "/x.json", text), platform::kErrorHttpCannotConnect);
    // The sandbox's certificate is not trusted without its CA.
    ::setenv("VARNUGAMES_CONNECT_TO", sandbox_->ConnectTo().c_str(), 1);
    ::setenv("SSL_CERT_FILE", (dir_ / "no-such-ca.pem").c_str(), 1);
    ::setenv("SSL_CERT_DIR", (dir_ / "no-such-dir").c_str(), 1);
    EXPECT_EQ(Get(kCdn, "/x.json", text), platform::kErrorHttpSecureFailure);
    // A name no resolver knows.
    EXPECT_EQ(Get("nowhere.invalid", "/x.json", text), platform::kErrorHttpNameNotResolved);
}

TEST_F(HttpGetTest, TrustFollowsTheTrustFileFromRequestToRequest) {
    // A second sandbox with a CA of its own, which the fixture's trust file does not hold.
    sandbox::SandboxOptions options;
    options.root = dir_ / "root";
    options.workDir = dir_ / "other-work";
    options.caDir = dir_ / "other-ca";
    const sandbox::Sandbox other(options);
    Serve(kCdn, "/x.json", "{}");
    const std::string ownCa = test::ReadFile(sandbox_->CaFile());
    const std::string otherCa = test::ReadFile(other.CaFile());
    ASSERT_NE(ownCa, otherCa);
    const auto getThrough = [](const sandbox::Sandbox& server) {
        ::setenv("VARNUGAMES_CONNECT_TO", server.ConnectTo().c_str(), 1);
        std::u16string text;
        return HttpGetText(FromUtf8(kCdn), u"/x.json", 1, text);
    };

    EXPECT_EQ(getThrough(*sandbox_), 0u);
    EXPECT_EQ(getThrough(other), platform::kErrorHttpSecureFailure);

    // Another trust file, and then the same file rewritten in place: each request trusts what
    // the file holds when it is made.
    const std::filesystem::path trustFile = dir_ / "trust.pem";
    test::WriteFile(trustFile, otherCa);
    ::setenv("SSL_CERT_FILE", trustFile.c_str(), 1);
    EXPECT_EQ(getThrough(other), 0u);
    EXPECT_EQ(getThrough(*sandbox_), platform::kErrorHttpSecureFailure);
    test::WriteFile(trustFile, ownCa + otherCa);
    EXPECT_EQ(getThrough(*sandbox_), 0u);
    EXPECT_EQ(getThrough(other), 0u);
}

TEST_F(HttpGetTest, CertificateMustNameTheRequestedHost) {
    // The sandbox's certificate names the publisher's hosts, not this one, even though the
    // connection is routed to the sandbox.
    ::setenv("VARNUGAMES_CONNECT_TO",
             ("elsewhere.example:443:127.0.0.1:" + std::to_string(sandbox_->TlsPort(kCdn))).c_str(),
             1);
    std::u16string text;
    EXPECT_EQ(Get("elsewhere.example", "/x.json", text), platform::kErrorHttpSecureFailure);
}

} // namespace
} // namespace vg::net
