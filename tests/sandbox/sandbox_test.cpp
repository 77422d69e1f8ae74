// The sandbox as its clients see it: every host on its own TLS and plain port, files with byte
// ranges, POST replies, and the record of every request.
#include "test_client.h"

#include "sandbox/json_forms.h"
#include "sandbox/request_log.h"
#include "sandbox/sandbox.h"

#include <gtest/gtest.h>

#include <random>

namespace vg::sandbox::test {
namespace {

class SandboxTest : public ::testing::Test {
protected:
    ScratchDir scratch;
    std::filesystem::path root = scratch.Path() / "root";
    Sandbox sandbox{SandboxOptions{root, scratch.Path() / "work"}};

    void Publish(const std::string& host, const std::string& path, const std::string& bytes) {
        WriteFile(root / host / path.substr(1), bytes);
    }
};

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(7);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

TEST_F(SandboxTest, EveryHostAnswersOnItsOwnTlsAndPlainPort) {
    const std::vector<std::string> hosts = sandbox.HostNames();
    ASSERT_EQ(hosts.size(), 8u); // seven deployment hosts and the default download host
    for (const std::string& host : hosts) {
        Publish(host, "/who.txt", host);
    }
    for (const std::string& host : hosts) {
        SCOPED_TRACE(host);
        const Fetched secure = Fetch(sandbox, "https://" + host + "/who.txt");
        EXPECT_EQ(secure.code, CURLE_OK) << curl_easy_strerror(secure.code);
        EXPECT_EQ(secure.body, host);
        const Fetched plain = Fetch(sandbox, "http://" + host + "/who.txt?x=1");
        EXPECT_EQ(plain.body, host);
    }
    const std::vector<RecordedRequest> requests = sandbox.Requests();
    ASSERT_EQ(requests.size(), 2 * hosts.size());
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const RecordedRequest& secure = requests[2 * i];
        EXPECT_EQ(secure.host, hosts[i]);
        EXPECT_EQ(secure.hostHeader, hosts[i]);
        EXPECT_TRUE(secure.tls);
        EXPECT_EQ(secure.port, sandbox.TlsPort(hosts[i]));
        const RecordedRequest& plain = requests[2 * i + 1];
        EXPECT_FALSE(plain.tls);
        EXPECT_EQ(plain.port, sandbox.PlainPort(hosts[i]));
        EXPECT_EQ(plain.path, "/who.txt?x=1");
    }
}

TEST_F(SandboxTest, CertificateHoldsTheLoopbackAddressForClientsThatConnectToIt) {
    const std::string host = "download.varnugames.com";
    Publish(host, "/game.bin", "game");
    const Fetched fetched =
        Fetch("https://127.0.0.1:" + std::to_string(sandbox.TlsPort(host)) + "/game.bin",
              {.caFile = sandbox.CaFile()});
    EXPECT_EQ(fetched.code, CURLE_OK) << curl_easy_strerror(fetched.code);
    EXPECT_EQ(fetched.body, "game");
    EXPECT_EQ(sandbox.Requests().at(0).hostHeader,
              "127.0.0.1:" + std::to_string(sandbox.TlsPort(host)));
}

TEST_F(SandboxTest, ByteRangesOfAFile) {
    const std::size_t size = 600 * 1024; // several of the pieces a body is sent in
    const std::string file = RandomBytes(size);
    Publish("download.varnugames.com", "/big.bin", file);
    struct Case {
        std::string range;
        long status;
        std::size_t first;
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {"bytes=0-9", 206, 0, 10},
        {"bytes=100000-499999", 206, 100000, 400000},
        {"bytes=614390-", 206, 614390, 10},
        {"bytes=-5", 206, size - 5, 5},
        {"bytes=10-99999999", 206, 10, size - 10},
        {"bytes=0-1,5-6", 200, 0, size}, // several ranges: the whole file
        {"bytes=614400-", 416, 0, 0},
        {"bytes=-0", 416, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        const Fetched fetched = Fetch(sandbox, "https://download.varnugames.com/big.bin",
                                      {.headers = {"Range: " + c.range}});
        EXPECT_EQ(fetched.status, c.status);
        EXPECT_EQ(fetched.body, file.substr(c.first, c.length));
        EXPECT_EQ(fetched.Header("Content-Length"), std::to_string(c.length));
        if (c.status == 206) {
            EXPECT_EQ(fetched.Header("Content-Range"), "bytes " + std::to_string(c.first) + "-" +
                                                           std::to_string(c.first + c.length - 1) +
                                                           "/" + std::to_string(size));
        }
        if (c.status == 416) {
            EXPECT_EQ(fetched.Header("Content-Range"), "bytes */" + std::to_string(size));
        }
    }
}

TEST_F(SandboxTest, HeadMissingFilesAndPathsOutsideTheHostFolder) {
    Publish("cdn.varnugames.com", "/live/config/varnugames/gamestarter.json", "{\"a\":1}");
    WriteFile(root / "secret.txt", "secret");
    const Fetched head =
        Fetch(sandbox, "https://cdn.varnugames.com/live/config/varnugames/gamestarter.json",
              {.method = "HEAD"});
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.Header("Content-Length"), "7");
    EXPECT_EQ(head.Header("Content-Type"), "application/json");
    EXPECT_EQ(head.body, "");
    EXPECT_EQ(Fetch(sandbox, "https://cdn.varnugames.com/live/missing.json").status, 404);
    EXPECT_EQ(Fetch(sandbox, "https://cdn.varnugames.com/live").status, 404); // a folder
    // libcurl would tidy these paths away, so they go out raw.
    const int port = sandbox.PlainPort("cdn.varnugames.com");
    for (const std::string path :
         {"/../secret.txt", "/live/../../secret.txt", "/%2e%2e/secret.txt"}) {
        SCOPED_TRACE(path);
        const std::string answer = RawGet(port, "cdn.varnugames.com", path);
        EXPECT_EQ(answer.rfind("HTTP/1.1 404", 0), 0u) << answer;
        EXPECT_EQ(answer.find("secret\n"), std::string::npos);
    }
}

TEST_F(SandboxTest, PostIsRecordedAndAnsweredWithItsReply) {
    sandbox.SetReply("api.varnugames.com", "/v1/check", 201, "{\"ok\":true}");
    sandbox.SetReply("*", "/v1/check", 500, "wildcard", "text/plain");
    const Fetched byDefault =
        Fetch(sandbox, "https://trel.varnugames.com/event?id=1",
              {.method = "POST",
               .body = "{\"e\":\"start\"}",
               .headers = {"Content-Type: application/json", "X-Trace: one", "X-Trace: two"}});
    EXPECT_EQ(byDefault.status, 200);
    EXPECT_EQ(byDefault.body, "{}");
    EXPECT_EQ(byDefault.Header("Content-Type"), "application/json");
    const Fetched replied =
        Fetch(sandbox, "https://api.varnugames.com/v1/check?token=t", {.method = "POST"});
    EXPECT_EQ(replied.status, 201);
    EXPECT_EQ(replied.body, "{\"ok\":true}");
    EXPECT_EQ(Fetch(sandbox, "https://qa-api.varnugames.com/v1/check", {.method = "POST"}).body,
              "wildcard");
    // A reply answers GET on its path too, before any file.
    EXPECT_EQ(Fetch(sandbox, "https://api.varnugames.com/v1/check").status, 201);

    const RecordedRequest post = sandbox.Requests().at(0);
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.host, "trel.varnugames.com");
    EXPECT_EQ(post.path, "/event?id=1");
    EXPECT_EQ(post.body, "{\"e\":\"start\"}");
    EXPECT_TRUE(post.bodyIsUtf8);
    EXPECT_EQ(post.Header("content-type"), "application/json");
    EXPECT_EQ(post.Header("X-TRACE"), "one");
    EXPECT_EQ(post.headers.count("x-trace"), 2u);
    EXPECT_EQ(post.headers.count("remote_addr"), 0u); // the server's own bookkeeping
}

TEST_F(SandboxTest, RequestsTheServerRefusesBeforeAnyHandlerAreRecordedOnce) {
    Publish("cdn.varnugames.com", "/a", "a");
    const Fetched put = Fetch(sandbox, "https://cdn.varnugames.com/a",
                              {.method = "PUT", .headers = {"Content-Type: text/plain"}});
    EXPECT_GE(put.status, 400);
    const Fetched badRange =
        Fetch(sandbox, "https://cdn.varnugames.com/a", {.headers = {"Range: lines=1-2"}});
    EXPECT_EQ(badRange.status, 416);
    EXPECT_EQ(Fetch(sandbox, "https://cdn.varnugames.com/a").body, "a");
    const std::vector<RecordedRequest> requests = sandbox.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].method, "PUT");
    EXPECT_EQ(requests[0].Header("Content-Type"), "text/plain");
    EXPECT_EQ(requests[0].headers.count("content-length"), 0u); // it had no body
    EXPECT_EQ(requests[1].Header("Range"), "lines=1-2");
    EXPECT_EQ(requests[2].method, "GET");
}

TEST_F(SandboxTest, FormAndMultipartBodiesAreKeptAsSent) {
    // A server that takes such bodies apart, or refuses large forms, loses what was sent.
    const std::string form = "report=" + std::string(20000, 'a');
    const std::string multipart = "--XYZ\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\n"
                                  "text\r\n--XYZ--\r\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"application/x-www-form-urlencoded", form},
        {"multipart/form-data; boundary=XYZ", multipart},
        {"multipart/form-data", "no boundary"},
    };
    for (const auto& [type, body] : cases) {
        SCOPED_TRACE(type);
        sandbox.ClearRequests();
        const Fetched fetched =
            Fetch(sandbox, "https://sc.varnugames.com/upload",
                  {.method = "POST", .body = body, .headers = {"Content-Type: " + type}});
        EXPECT_EQ(fetched.status, 200);
        ASSERT_EQ(sandbox.Requests().size(), 1u);
        EXPECT_EQ(sandbox.Requests()[0].body, body);
        EXPECT_EQ(sandbox.Requests()[0].Header("Content-Type"), type);
    }
}

TEST_F(SandboxTest, RequestLogFileHoldsEveryRequestAndBodiesThatAreNotUtf8) {
    const std::string bytes("\xff\xfe\x00text", 7);
    Fetch(sandbox, "http://trel.varnugames.com/bin", {.method = "POST", .body = bytes});
    Fetch(sandbox, "https://cdn.varnugames.com/nothing");
    const std::vector<RecordedRequest> logged = ReadRequestLog(sandbox.RequestLogFile());
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].body, bytes);
    EXPECT_FALSE(logged[0].bodyIsUtf8);
    EXPECT_FALSE(sandbox.Requests()[0].bodyIsUtf8);
    EXPECT_EQ(logged[1].method, "GET");
    EXPECT_EQ(logged[1].path, "/nothing");
    EXPECT_TRUE(logged[1].tls);
    const std::string log = ReadFile(sandbox.RequestLogFile());
    const std::string firstLine = log.substr(0, log.find('\n'));
    EXPECT_NE(firstLine.find("\"bodyBase64\":\"" + EncodeBase64(bytes) + "\""), std::string::npos);

    sandbox.ClearRequests();
    EXPECT_TRUE(sandbox.Requests().empty());
    EXPECT_EQ(ReadRequestLog(sandbox.RequestLogFile()).size(), 2u);
}

TEST(SandboxCaTest, CaFolderKeepsTheSameCaAcrossRuns) {
    ScratchDir scratch;
    const auto optionsFor = [&](const std::string& work) {
        SandboxOptions options{scratch.Path() / "root", scratch.Path() / work};
        options.caDir = scratch.Path() / "ca";
        options.downloadHosts = {"dl1.example.test", "DL2.example.test"};
        return options;
    };
    WriteFile(scratch.Path() / "root" / "dl2.example.test" / "f", "file");
    std::string firstCa;
    {
        const Sandbox first(optionsFor("first"));
        firstCa = ReadFile(first.CaFile());
        EXPECT_NE(firstCa.find("BEGIN CERTIFICATE"), std::string::npos);
    }
    const Sandbox second(optionsFor("second"));
    EXPECT_EQ(ReadFile(second.CaFile()), firstCa);
    const Fetched fetched =
        Fetch("https://dl2.example.test/f",
              {.connectTo = second.ConnectTo(), .caFile = scratch.Path() / "first" / "ca.pem"});
    EXPECT_EQ(fetched.code, CURLE_OK) << curl_easy_strerror(fetched.code);
    EXPECT_EQ(fetched.body, "file");
    EXPECT_NE(second.TlsPort("dl1.example.test"), 0);
    EXPECT_EQ(second.TlsPort("unknown.example.test"), 0);

    // A sandbox without the folder has a CA of its own, which the other does not trust.
    const Sandbox other({scratch.Path() / "root", scratch.Path() / "other"});
    EXPECT_NE(ReadFile(other.CaFile()), firstCa);
    const Fetched untrusted = Fetch("https://cdn.varnugames.com/",
                                    {.connectTo = other.ConnectTo(), .caFile = second.CaFile()});
    EXPECT_EQ(untrusted.code, CURLE_PEER_FAILED_VERIFICATION);
}

} // namespace
} // namespace vg::sandbox::test
