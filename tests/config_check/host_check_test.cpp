// vg-config-check over HTTPS against the publisher sandbox: the host form fetches as the starter
// does and reports what the folder form reports for the same files.
#include "config_check_fixture.h"
#include "net/sandbox_fixture.h"

#include <gtest/gtest.h>

namespace vg::test {
namespace {

using testing::ElementsAre;

class HostCheckTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        tree_.WriteList(R"({"service_games":["mygame","nodoc","page","MyGame"]})");
        tree_.WriteGame("mygame",
                        {{"live", CompleteSection()},
                         {"test", Section(R"("LauncherURL":"/launcher","RegistryPath":[])")}});
        tree_.WriteGame("page", "<html><body>Maintenance</body></html>");
        tree_.WriteGame("newgame", {{"live", CompleteSection()}});
    }

    const std::string url_ = "https://" + kCdn + "/live/";
    // The sandbox serves "<root>/<host>/", so this folder is the CDN base of url_.
    CdnTreeFolder tree_{dir_ / "root" / kCdn / "live"};
};

TEST_F(HostCheckTest, ReportsWhatTheFolderFormReports) {
    const Json overHttps = RunConfigCheckJson({url_}, 1);
    EXPECT_EQ(overHttps.at("tree"), url_);
    EXPECT_TRUE(AllRequestsWereSecure());
    // One request per document, however many modes read it.
    EXPECT_EQ(sandbox_->Requests().size(), 5u);

    Json fromFolder = RunConfigCheckJson({tree_.Base().string()}, 1);
    // The folder form also finds the unlisted document; otherwise both reports are the same.
    ASSERT_EQ(fromFolder.at("games").size(), overHttps.at("games").size() + 1);
    EXPECT_FALSE(GameOf(fromFolder, "newgame").at("listed"));
    fromFolder.at("games").erase(fromFolder.at("games").size() - 1);
    EXPECT_EQ(fromFolder.at("games"), overHttps.at("games"));

    const Json mygame = GameOf(overHttps, "mygame");
    EXPECT_TRUE(ModeOf(mygame, "live").at("ok"));
    const Json test = ModeOf(mygame, "test");
    EXPECT_THAT(FailureLines(test),
                ElementsAre("INIT 0xA0030002 message 20: Invalid config file. (ErrorCode = 7)"));
    ASSERT_EQ(test.at("warnings").size(), 1u);
    EXPECT_EQ(test.at("warnings")[0].at("key"), "LauncherURL");
    EXPECT_THAT(FailureLines(GameOf(overHttps, "nodoc")),
                ElementsAre("INIT 0xA0030001 message 19: Failed to nodoc.gamestarter.json file "
                            "download. (ErrorCode = 404)"));
    EXPECT_THAT(FailureLines(GameOf(overHttps, "page")),
                ElementsAre("INIT 0xA0030001 message 19: Failed to page.gamestarter.json file "
                            "download. (ErrorCode = 2)"));
}

TEST_F(HostCheckTest, NamedUnlistedGameAndUnreachableList) {
    const Json named = RunConfigCheckJson({"--game", "newgame", url_}, 1);
    const Json game = GameOf(named, "newgame");
    EXPECT_FALSE(game.at("listed"));
    EXPECT_THAT(FailureLines(game),
                ElementsAre("INIT 0xA0030001 message 19: Failed to gamestarter.json file parsing. "
                            "(ErrorCode = 2)"));
    EXPECT_TRUE(ModeOf(game, "live").at("ok"));

    sandbox_->AddFault(kCdn, "/live/config/varnugames/gamestarter.json", {.status = 503});
    const ProcessResult text = RunConfigCheck({url_});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.out, "CDN tree: " + url_ +
                            "\nlist gamestarter.json: FAILED\n  error: INIT 0xA0030001 Failed to "
                            "gamestarter.json file download. (ErrorCode = 503) [message 19]\n"
                            "summary: FAILED, no game can start until the list is fixed\n");
}

} // namespace
} // namespace vg::test
