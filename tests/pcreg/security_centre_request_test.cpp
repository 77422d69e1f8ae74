// The security centre's requests: endpoints, paths, headers, request documents and the replies
// that count as success.
#include "pcreg/register_pc.h"
#include "pcreg/security_centre.h"

#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vg::pcreg {
namespace {

std::string Narrow(std::u16string_view text) {
    return {text.begin(), text.end()};
}

TEST(SecurityCentreRequestTest, EndpointByCaseSensitiveSearchesInOrder) {
    const std::u16string_view prod = deployment::kSecurityCentreHostProd;
    const std::u16string_view stage = deployment::kSecurityCentreHostStage;
    const std::u16string_view qa = deployment::kSecurityCentreHostQa;
    struct Case {
        std::u16string mode;
        std::u16string_view host;
        int secure;
    };
    const std::vector<Case> cases = {
        {u"live", prod, 1}, {u"Real_kr", prod, 1}, {u"real", prod, 1},   {u"stage-live", prod, 1},
        {u"REAL", qa, 0},   {u"LIVE", qa, 0},      {u"stage", stage, 1}, {u"qa-stage", stage, 1},
        {u"Stage", qa, 0},  {u"qa", qa, 1},        {u"test-qa2", qa, 1}, {u"QA", qa, 0},
        {u"test", qa, 0},   {u"", qa, 0},
    };
    for (const Case& c : cases) {
        const SecurityCentreEndpoint endpoint = ChooseSecurityCentreEndpoint(c.mode);
        EXPECT_EQ(endpoint.host, c.host) << Narrow(c.mode);
        EXPECT_EQ(endpoint.secure, c.secure) << Narrow(c.mode);
    }
}

TEST(SecurityCentreRequestTest, PathsAndHeaders) {
    EXPECT_EQ(SecurityCentrePath(1, 0), u"/api/sc/manage/pc/byplugin");
    EXPECT_EQ(SecurityCentrePath(0, 0), u"/api/sc/authenticate/pc/byplugin");
    EXPECT_EQ(SecurityCentrePath(1, 1), u"/api/sc/manage/pc/bypluginV2");
    EXPECT_EQ(SecurityCentrePath(0, 1), u"/api/sc/authenticate/pc/bypluginV2");
    EXPECT_EQ(SecurityCentreHeaders(u"a.b=c"),
              u"Content-Type:application/json; charset=utf-8 \r\nX-VG-Token:a.b=c\r\n");
}

TEST(SecurityCentreRequestTest, FirstProtocolDocuments) {
    EXPECT_EQ(RegisterPcBody(1, u"h", u"001a2bff0cd0", u"ABCD"),
              u"{\"hash\":\"h\",\"hwsn\":\"ABCD\",\"macAddr\":\"001a2bff0cd0\"}");
    EXPECT_EQ(RegisterPcBody(0, u"h", u"001a2bff0cd0", u"ABCD"), u"{\"hash\":\"h\"}");
}

TEST(SecurityCentreRequestTest, SecondProtocolDocuments) {
    const PcIdentityV2 identity{.macText = u"001a2bff0cd0",
                                .hardwareId = u"123456789abcdef0123456789abcdef0",
                                .volumeSerialHex = u"ABCD",
                                .macHash = u"mh",
                                .hardwareIdHash = u"hh"};
    EXPECT_EQ(RegisterPcV2Body(1, identity),
              u"{\"comKey\":\"123456789abcdef0123456789abcdef0\",\"hash\":\"hh\","
              u"\"hwsn\":\"ABCD\",\"macAddr\":\"001a2bff0cd0\"}");
    EXPECT_EQ(RegisterPcV2Body(0, identity),
              u"{\"comKey\":\"123456789abcdef0123456789abcdef0\",\"hash\":\"mh\","
              u"\"hashV2\":\"hh\",\"hwsn\":\"ABCD\",\"macAddr\":\"001a2bff0cd0\"}");
    EXPECT_EQ(RegisterPcV2Body(1, PcIdentityV2{}),
              u"{\"comKey\":\"\",\"hash\":\"\",\"hwsn\":\"\",\"macAddr\":\"\"}");
}

TEST(SecurityCentreRequestTest, RepliesThatMeanSuccess) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {R"({"status":0})", true},
        {R"({"status":0,"message":"등록되었습니다"})", true},
        {R"({"status":0.9})", true},
        {R"({"status":-0.5})", true},
        {R"({"status":false})", true},
        {R"({"status":4294967296})", true}, // low 32 bits
        {R"({"status":1})", false},
        {R"({"status":true})", false},
        {R"({"status":-1})", false},
        {R"({"status":1.0})", false},
        {R"({"status":1e300})", false},
        {R"({"status":-1e300})", false},
        {R"({"status":4294967297})", false},
        {R"({"status":"0"})", false},
        {R"({"status":null})", false},
        {R"({"status":[0]})", false},
        {R"({"status":{}})", false},
        {R"({"result":0})", false},
        {R"([])", false},
        {R"(0)", false},
        {"", false},
        {"<html>ok</html>", false},
        {R"({"status":0)", false},
    };
    for (const auto& [reply, success] : cases) {
        EXPECT_EQ(IsSuccessfulReply(reply), success) << reply;
    }
}

} // namespace
} // namespace vg::pcreg
