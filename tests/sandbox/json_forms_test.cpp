// The JSON forms of faults and recorded requests, and the text checks behind requests.jsonl.
#include "sandbox/json_forms.h"

#include <gtest/gtest.h>

namespace vg::sandbox {
namespace {

using nlohmann::json;
using namespace std::string_literals;

TEST(JsonFormsTest, FaultFormWithEveryMember) {
    const FaultRule rule = FaultRuleFromJson(json::parse(R"({
        "host": "cdn.varnugames.com", "path": "/x", "status": 503, "htmlPage": true,
        "dropAfterBytes": 10, "noContentLength": true, "delayMs": 5, "extraBytes": -3,
        "rawContentLength": "abc", "ignoreRange": true, "trickle": {"bytes": 4, "everyMs": 2},
        "times": 2, "body": "b"})"));
    EXPECT_EQ(rule.host, "cdn.varnugames.com");
    EXPECT_EQ(rule.path, "/x");
    const Fault& f = rule.fault;
    EXPECT_EQ(f.status, 503);
    EXPECT_TRUE(f.htmlPage);
    EXPECT_EQ(f.dropAfterBytes, 10u);
    EXPECT_TRUE(f.noContentLength);
    EXPECT_EQ(f.delay.count(), 5);
    EXPECT_EQ(f.extraBytes, -3);
    EXPECT_EQ(f.rawContentLength, "abc");
    EXPECT_TRUE(f.ignoreRange);
    ASSERT_TRUE(f.trickle);
    EXPECT_EQ(f.trickle->first, 4u);
    EXPECT_EQ(f.trickle->second.count(), 2);
    EXPECT_EQ(f.times, 2);
    EXPECT_EQ(f.body, "b");

    const FaultRule least = FaultRuleFromJson(json::parse(R"({"path": "/y"})"));
    EXPECT_EQ(least.host, "*");
    EXPECT_EQ(least.fault.times, -1);
    EXPECT_FALSE(least.fault.status);
}

TEST(JsonFormsTest, FaultFormsThatAreRefused) {
    for (const char* form : {
             R"([])",
             R"({"host": "*"})",
             R"({"path": "relative"})",
             R"({"path": "/x", "stauts": 503})",
             R"({"path": "/x", "status": "503"})",
             R"({"path": "/x", "status": 42})",
             R"({"path": "/x", "dropAfterBytes": -1})",
             R"({"path": "/x", "times": 1.5})",
             R"({"path": "/x", "delayMs": 99999999999})",
             R"({"path": "/x", "trickle": {"bytes": 0, "everyMs": 1}})",
             R"({"path": "/x", "trickle": {"bytes": 1}})",
             R"({"path": "/x", "htmlPage": 1})",
         }) {
        SCOPED_TRACE(form);
        EXPECT_THROW(FaultRuleFromJson(json::parse(form)), std::invalid_argument);
    }
}

TEST(JsonFormsTest, RecordedRequestRoundTrip) {
    RecordedRequest request;
    request.time = std::chrono::sys_days{std::chrono::year{2024} / 2 / 29} +
                   std::chrono::hours(23) + std::chrono::milliseconds(59'999);
    request.method = "POST";
    request.host = "trel.varnugames.com";
    request.hostHeader = "trel.varnugames.com";
    request.path = "/e?x=1";
    request.port = 4443;
    request.tls = true;
    request.headers = {{"accept", "*/*"}, {"x-a", "1"}, {"x-a", "2"}};
    request.body = std::string("\x80\x00z", 3);
    request.bodyIsUtf8 = false;

    const auto form = RequestToJson(request);
    EXPECT_EQ(form["time"], "2024-02-29T23:00:59.999Z");
    EXPECT_EQ(form["headers"]["x-a"], "1, 2");
    EXPECT_EQ(form["body"], "\xEF\xBF\xBD\0z"s);
    const RecordedRequest back = RequestFromJson(json::parse(form.dump()));
    EXPECT_EQ(back.time, request.time);
    EXPECT_EQ(back.body, request.body);
    EXPECT_FALSE(back.bodyIsUtf8);
    EXPECT_EQ(back.Header("X-A"), "1, 2");
    EXPECT_EQ(back.port, 4443);
    EXPECT_TRUE(back.tls);
    EXPECT_EQ(back.path, "/e?x=1");
}

TEST(JsonFormsTest, Utf8Validation) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", true},
        {"plain", true},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xae", true}, // é € 🎮
        {"\xc3", false},                                // cut short
        {"\xc0\xaf", false},                            // overlong
        {"\xed\xa0\x80", false},                        // a surrogate
        {"\xf4\x90\x80\x80", false},                    // past U+10FFFF
        {"\x80", false},
        {"\xff", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(IsValidUtf8(text), valid) << testing::PrintToString(text);
        EXPECT_EQ(IsValidUtf8(ToValidUtf8(text)), true);
    }
    EXPECT_EQ(ToValidUtf8("a\xff\xc3\xa9\xc3"), "a\xEF\xBF\xBD\xc3\xa9\xEF\xBF\xBD");
}

TEST(JsonFormsTest, Base64RoundTripAndRefusals) {
    const std::vector<std::string> cases = {"", "f", "fo", "foo", "foob", {"\0\xff\x10", 3}};
    for (const std::string& bytes : cases) {
        EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
    }
    EXPECT_EQ(EncodeBase64("foob"), "Zm9vYg==");
    for (const char* text : {"Zm9", "Zm9v!A==", "Z===", "Zg==Zg=="}) {
        EXPECT_FALSE(DecodeBase64(text)) << text;
    }
}

} // namespace
} // namespace vg::sandbox
