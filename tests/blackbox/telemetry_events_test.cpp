// The built program reports a game start to the publisher's collector, and an action run does
// not: "START" then "SELFUPDATE", each document byte for byte as the collector receives it.
#include "blackbox/game_start_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vg::test {
namespace {

class TelemetryEventsTest : public GameStartTest {
public:
    static std::string Expected(const std::string& actionCode, const std::string& key,
                                const std::string& topic) {
        return "{\"data\":{\"action_code\":\"" + actionCode +
               "\",\"action_result\":\"00000000\",\"add_params\":{\"version\":\"" +
               VG_PRODUCT_VERSION + "\"},\"sequence_key\":\"" + key +
               "\"},\"mid\":\"m1\",\"mode\":\"production\","
               "\"product_code\":\"varnugamesstarter\",\"service_code\":\"mygame\","
               "\"topic\":\"" +
               topic + "\"}";
    }
};

TEST_F(TelemetryEventsTest, AGameStartSendsStartThenSelfUpdate) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"live", "launcher-user-topic"},
        {"qa", "production-test-topic"},
    };
    for (const auto& [mode, topic] : cases) {
        const ProcessResult result =
            Run("varnugamesstarter://mygame|" + mode + "|Launcher.exe|tok|m1|ag|ch");
        EXPECT_EQ(result.exitCode, 0) << mode;
        EXPECT_EQ(result.out, "") << mode;
        const std::vector<ReceivedEvent> events = Events();
        ASSERT_GE(events.size(), 2u) << mode;
        const std::string key = events[0].sequenceKey;
        EXPECT_TRUE(key.empty() || key.size() == 32) << key;
        EXPECT_EQ(key.find_first_not_of("0123456789ABCDEF"), std::string::npos) << key;
        EXPECT_EQ(events[0].document, Expected("START", key, topic));
        EXPECT_EQ(events[1].document, Expected("SELFUPDATE", key, topic));
    }
}

TEST_F(TelemetryEventsTest, AnActionRunSendsNeither) {
    const ProcessResult result = Run("varnugamesstarter://pcregister|live|x|tok|m1|ag|ch");
    EXPECT_EQ(result.exitCode, 0);
    for (const ReceivedEvent& event : Events()) {
        EXPECT_NE(event.actionCode, "START");
        EXPECT_NE(event.actionCode, "SELFUPDATE");
    }
}

} // namespace
} // namespace vg::test
