// Every fault kind as a client sees it, through libcurl where it can tell, else on the raw wire.
#include "test_client.h"

#include "sandbox/sandbox.h"

#include <gtest/gtest.h>

namespace vg::sandbox::test {
namespace {

using std::chrono::milliseconds;

const std::string kHost = "download.varnugames.com";
const std::string kContent = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

class FaultTest : public ::testing::Test {
protected:
    ScratchDir scratch;
    Sandbox sandbox{SandboxOptions{scratch.Path() / "root", scratch.Path() / "work"}};

    FaultTest() { WriteFile(scratch.Path() / "root" / kHost / "f.bin", kContent); }

    Fetched Get(const std::vector<std::string>& headers = {}) {
        return Fetch(sandbox, "https://" + kHost + "/f.bin?attempt=1", {.headers = headers});
    }
    std::string RawGetFile() { return RawGet(sandbox.PlainPort(kHost), kHost, "/f.bin"); }
};

Fault With(void (*set)(Fault&)) {
    Fault fault;
    set(fault);
    return fault;
}

TEST_F(FaultTest, FaultsAClientCanTellApart) {
    const std::string all = std::to_string(kContent.size());
    struct Case {
        const char* name;
        Fault fault;
        CURLcode code;
        long status;
        std::string body;
        std::string contentLength; ///< "" for none
        std::vector<std::string> requestHeaders = {};
    };
    const std::vector<Case> cases = {
        {"status", With([](Fault& f) { f.status = 503; }), CURLE_OK, 503, "Sandbox fault 503\n",
         "18"},
        {"status with body", With([](Fault& f) { f.status = 500, f.body = "{\"e\":1}"; }), CURLE_OK,
         500, "{\"e\":1}", "7"},
        {"html page", With([](Fault& f) { f.htmlPage = true; }), CURLE_OK, 200,
         "<html><body>Maintenance</body></html>", "37"},
        {"drop after 10", With([](Fault& f) { f.dropAfterBytes = 10; }), CURLE_PARTIAL_FILE, 200,
         kContent.substr(0, 10), all},
        {"drop after 0", With([](Fault& f) { f.dropAfterBytes = 0; }), CURLE_PARTIAL_FILE, 200, "",
         all},
        {"shorter", With([](Fault& f) { f.extraBytes = -5; }), CURLE_PARTIAL_FILE, 200,
         kContent.substr(0, kContent.size() - 5), all},
        {"no length", With([](Fault& f) { f.noContentLength = true; }), CURLE_OK, 200, kContent,
         ""},
        {"no length, dropped",
         With([](Fault& f) { f.noContentLength = true, f.dropAfterBytes = 7; }), CURLE_PARTIAL_FILE,
         200, kContent.substr(0, 7), ""},
        {"ignore range",
         With([](Fault& f) { f.ignoreRange = true; }),
         CURLE_OK,
         200,
         kContent,
         all,
         {"Range: bytes=5-"}},
        {"trickle", With([](Fault& f) {
             f.trickle = std::pair{std::size_t{7}, milliseconds(2)};
         }),
         CURLE_OK, 200, kContent, all},
        {"delay", With([](Fault& f) { f.delay = milliseconds(20); }), CURLE_OK, 200, kContent, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.ClearFaults();
        sandbox.AddFault(kHost, "/f.bin", c.fault);
        const Fetched fetched = Get(c.requestHeaders);
        EXPECT_EQ(fetched.code, c.code) << curl_easy_strerror(fetched.code);
        EXPECT_EQ(fetched.status, c.status);
        EXPECT_EQ(fetched.body, c.body);
        EXPECT_EQ(fetched.Header("Content-Length"), c.contentLength);
        EXPECT_EQ(fetched.Header("Transfer-Encoding"), c.contentLength.empty() ? "chunked" : "");
    }
}

TEST_F(FaultTest, LengthsThatLieOnTheWire) {
    struct Case {
        const char* name;
        Fault fault;
        std::string lengthLine;
        std::string body;
    };
    const std::string all = std::to_string(kContent.size());
    const std::vector<Case> cases = {
        {"longer", With([](Fault& f) { f.extraBytes = 5; }), "Content-Length: " + all,
         kContent + "#####"},
        {"text", With([](Fault& f) { f.rawContentLength = "abc"; }), "Content-Length: abc",
         kContent},
        {"negative", With([](Fault& f) { f.rawContentLength = "-5"; }), "Content-Length: -5",
         kContent},
        {"huge", With([](Fault& f) { f.rawContentLength = "99999999999999999999999"; }),
         "Content-Length: 99999999999999999999999", kContent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.ClearFaults();
        sandbox.AddFault(kHost, "/f.bin", c.fault);
        const std::string answer = RawGetFile();
        const std::size_t end = answer.find("\r\n\r\n");
        ASSERT_NE(end, std::string::npos) << answer;
        const std::string head = answer.substr(0, end + 2);
        EXPECT_NE(head.find("\r\n" + c.lengthLine + "\r\n"), std::string::npos) << head;
        EXPECT_EQ(head.find("Content-Length"), head.rfind("Content-Length")) << head;
        // The server closed the connection right after this body.
        EXPECT_EQ(answer.substr(end + 4), c.body);
    }
}

TEST_F(FaultTest, CountedFaultsWildcardHostsAndExactPaths) {
    Fault once;
    once.status = 502;
    once.times = 1;
    Fault twice = once;
    twice.status = 504;
    twice.times = 2;
    sandbox.AddFault("*", "/f.bin", once); // first added, first used
    sandbox.AddFault(kHost, "/f.bin", twice);
    EXPECT_EQ(Get().status, 502);
    EXPECT_EQ(Get().status, 504);
    EXPECT_EQ(Get().status, 504);
    EXPECT_EQ(Get().status, 200);
    EXPECT_EQ(Get().body, kContent);

    Fault always;
    always.status = 418;
    sandbox.AddFault("*", "/telemetry", always);
    sandbox.AddFault("cdn.varnugames.com", "/f.bin", always);
    EXPECT_EQ(
        Fetch(sandbox, "https://trel.varnugames.com/telemetry?a=b", {.method = "POST"}).status,
        418);
    EXPECT_EQ(
        Fetch(sandbox, "https://trel.varnugames.com/telemetry/more", {.method = "POST"}).status,
        200);
    EXPECT_EQ(Get().status, 200); // the fault is for another host
    sandbox.ClearFaults();
    EXPECT_EQ(Fetch(sandbox, "https://trel.varnugames.com/telemetry", {.method = "POST"}).status,
              200);
}

} // namespace
} // namespace vg::sandbox::test
