// The built program registers and verifies the PC with the security centre in both protocols:
// the endpoint for each mode, the headers, the documents byte for byte with their hashes made
// here from the machine's own values, and the notices for every kind of failure.
#include "blackbox/pc_action_fixture.h"

#include "util/sha256.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vg::test {
namespace {

const std::string kProdHost = util::ToUtf8(deployment::kSecurityCentreHostProd);
const std::string kStageHost = util::ToUtf8(deployment::kSecurityCentreHostStage);
const std::string kQaHost = util::ToUtf8(deployment::kSecurityCentreHostQa);
const std::string kSendFailed = "PC 정보전송에 실패 했습니다. ";

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

const std::vector<std::string> kPaths = {
    "/api/sc/manage/pc/byplugin", "/api/sc/authenticate/pc/byplugin",
    "/api/sc/manage/pc/bypluginV2", "/api/sc/authenticate/pc/bypluginV2"};

class PcRegistrationTest : public PcActionTest {
public:
    PcRegistrationTest() {
        for (const std::string& path : kPaths) {
            sandbox_->SetReply("*", path, 200, R"({"status":0})");
        }
    }

    /// The one request the security centre received, after checking its transport.
    sandbox::RecordedRequest OnlyRequest(const std::string& host) const {
        const std::vector<sandbox::RecordedRequest> requests = RequestsTo(host);
        EXPECT_EQ(requests.size(), 1u) << host;
        return requests.empty() ? sandbox::RecordedRequest{} : requests.front();
    }

    /// The MAC text the program reports: the machine's first adapter, or, on a machine without
    /// one, the stand-in the program sent (made anew by every run).
    std::string MacText(const std::string& sentMac) const {
        return Facts().macText.value_or(sentMac);
    }

    static std::string MacFrom(const std::string& body) {
        const auto at = body.find("\"macAddr\":\"");
        return at == std::string::npos ? "" : body.substr(at + 11, 12);
    }
};

TEST_F(PcRegistrationTest, FirstProtocolDocumentsHeadersAndPaths) {
    const std::string serialDec = std::to_string(ExpectedSerial());
    const std::string serialHex = Hex(ExpectedSerial());

    ASSERT_EQ(Run(ActionUrl("pcregister", "live", "tok.A1=")).err, "");
    sandbox::RecordedRequest request = OnlyRequest(kProdHost);
    const std::string mac = MacText(MacFrom(request.body));
    const std::string hash = util::Sha256Hex(mac + serialDec);
    EXPECT_EQ(request.method, "POST");
    EXPECT_TRUE(request.tls);
    EXPECT_EQ(request.path, "/api/sc/manage/pc/byplugin");
    EXPECT_EQ(request.Header("content-type"), "application/json; charset=utf-8");
    EXPECT_EQ(request.Header("x-vg-token"), "tok.A1=");
    EXPECT_EQ(request.body, R"({"hash":")" + hash + R"(","hwsn":")" + serialHex +
                                R"(","macAddr":")" + mac + "\"}");

    ASSERT_EQ(Run(ActionUrl("PCVERIFY", "live")).err, "");
    request = OnlyRequest(kProdHost);
    EXPECT_EQ(request.path, "/api/sc/authenticate/pc/byplugin");
    EXPECT_EQ(request.body, R"({"hash":")" + util::Sha256Hex(MacText(mac) + serialDec) + "\"}");
}

TEST_F(PcRegistrationTest, SecondProtocolDocuments) {
    const std::string serialDec = std::to_string(ExpectedSerial());
    const std::string serialHex = Hex(ExpectedSerial());
    const std::string hardwareIdHash = util::Sha256Hex(kHardwareIdText + serialDec);

    ASSERT_EQ(Run(ActionUrl("pcregisterV2", "live")).err, "");
    sandbox::RecordedRequest request = OnlyRequest(kProdHost);
    std::string mac = MacText(MacFrom(request.body));
    EXPECT_EQ(request.path, "/api/sc/manage/pc/bypluginV2");
    EXPECT_EQ(request.Header("x-vg-token"), "tok");
    EXPECT_EQ(request.body, R"({"comKey":")" + std::string(kHardwareIdText) + R"(","hash":")" +
                                hardwareIdHash + R"(","hwsn":")" + serialHex + R"(","macAddr":")" +
                                mac + "\"}");

    ASSERT_EQ(Run(ActionUrl("pcverifyV2", "live")).err, "");
    request = OnlyRequest(kProdHost);
    mac = MacText(MacFrom(request.body));
    EXPECT_EQ(request.path, "/api/sc/authenticate/pc/bypluginV2");
    EXPECT_EQ(request.body, R"({"comKey":")" + std::string(kHardwareIdText) + R"(","hash":")" +
                                util::Sha256Hex(mac + serialDec) + R"(","hashV2":")" +
                                hardwareIdHash + R"(","hwsn":")" + serialHex + R"(","macAddr":")" +
                                mac + "\"}");
}

TEST_F(PcRegistrationTest, WithoutHardwareIdTheSecondProtocolStillRegisters) {
    SetMachineValues(false);
    const std::string serialDec = std::to_string(ExpectedSerial());
    ASSERT_EQ(Run(ActionUrl("pcregisterV2", "live")).err, "");
    const sandbox::RecordedRequest request = OnlyRequest(kProdHost);
    EXPECT_EQ(request.body.substr(0, 21 + 64),
              R"({"comKey":"","hash":")" + util::Sha256Hex(serialDec));
}

TEST_F(PcRegistrationTest, ModeChoosesHostAndScheme) {
    struct Case {
        std::string mode;
        std::string host;
        bool tls;
    };
    const std::vector<Case> cases = {
        {"live", kProdHost, true},   {"Real_kr", kProdHost, true}, {"REAL", kQaHost, false},
        {"stage", kStageHost, true}, {"qa", kQaHost, true},        {"test", kQaHost, false},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Run(ActionUrl("pcverifyV2", c.mode));
        EXPECT_EQ(result.err, "") << c.mode;
        const sandbox::RecordedRequest request = OnlyRequest(c.host);
        EXPECT_EQ(request.tls, c.tls) << c.mode;
        EXPECT_EQ(request.port, c.tls ? sandbox_->TlsPort(c.host) : sandbox_->PlainPort(c.host))
            << c.mode;
        EXPECT_EQ(request.path, "/api/sc/authenticate/pc/bypluginV2") << c.mode;
    }
}

TEST_F(PcRegistrationTest, EveryKindOfFailureShowsTheTransferNotice) {
    struct Case {
        std::string name;
        int status;
        std::string reply;
        bool succeeds;
    };
    const std::vector<Case> cases = {
        {"status 0", 200, R"({"status":0})", true},
        {"status 0.9", 200, R"({"status":0.9})", true},
        {"status 0 with Korean text", 200, R"({"status":0,"message":"등록되었습니다"})", true},
        {"status 1", 200, R"({"status":1})", false},
        {"status true", 200, R"({"status":true})", false},
        {"status as a string", 200, R"({"status":"0"})", false},
        {"status null", 200, R"({"status":null})", false},
        {"no status", 200, R"({"result":0})", false},
        {"an array", 200, "[]", false},
        {"not JSON", 200, "<html><body>Maintenance</body></html>", false},
        {"HTTP 500", 500, R"({"status":0})", false},
        {"HTTP 404", 404, R"({"status":0})", false},
    };
    for (const std::string action : {"pcregister", "pcverifyV2"}) {
        for (const Case& c : cases) {
            for (const std::string path :
                 {"/api/sc/manage/pc/byplugin", "/api/sc/authenticate/pc/bypluginV2"}) {
                sandbox_->SetReply(kProdHost, path, c.status, c.reply);
            }
            const ProcessResult result = Run(ActionUrl(action, "live"));
            EXPECT_EQ(result.exitCode, 0) << action << ": " << c.name;
            EXPECT_EQ(result.out, "") << action << ": " << c.name;
            EXPECT_EQ(result.err, c.succeeds ? "" : Notice(kSendFailed))
                << action << ": " << c.name;
            EXPECT_EQ(RequestsTo(kProdHost).size(), 1u) << action << ": " << c.name;
        }
    }
}

TEST_F(PcRegistrationTest, NoConnectionShowsTheTransferNotice) {
    extraEnvironment_["VARNUGAMES_CONNECT_TO"] =
        kProdHost + ":443:127.0.0.1:1," + sandbox_->ConnectTo();
    for (const std::string action : {"pcverify", "pcregisterV2"}) {
        const ProcessResult result = Run(ActionUrl(action, "live"));
        EXPECT_EQ(result.exitCode, 0) << action;
        EXPECT_EQ(result.err, Notice(kSendFailed)) << action;
        EXPECT_TRUE(RequestsTo(kProdHost).empty()) << action;
    }
}

TEST_F(PcRegistrationTest, ATokenThatWouldAddHeaderLinesIsNotSent) {
    const ProcessResult result = Run(ActionUrl("pcregister", "live", "tok\r\nX-Evil:1 x"));
    EXPECT_EQ(result.err, Notice(kSendFailed));
    EXPECT_TRUE(RequestsTo(kProdHost).empty());
}

} // namespace
} // namespace vg::test
