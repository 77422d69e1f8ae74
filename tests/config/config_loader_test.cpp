// Fetching the configuration from the sandbox's CDN: each failure's text, and the validation.
#include "config/config_loader.h"

#include "net/sandbox_fixture.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::config {
namespace {

using test::kCdn;

const std::string kServiceList = "/live/config/varnugames/gamestarter.json";
const std::string kGameDocument = "/live/config/varnugames/mygame.gamestarter.json";
const std::string kSection = R"({"LauncherName":"L.exe","SetupName":"Setup.exe",
    "Domain":"download.varnugames.com","SetupURL":"/setup/","LauncherURL":"/launcher/",
    "RegistryRoot":"HKLM","RegistryPath":"Software\\MyGame","InstallParams":"/S",
    "ExecParams":"{KEY}"})";

class ConfigLoaderTest : public test::SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        Serve(kCdn, kServiceList, R"({"service_games":["MyGame"]})");
        Serve(kCdn, kGameDocument, R"({"mygame":{"live":)" + kSection + "}}");
    }

    std::string Fetch(GameConfig& config, const char16_t* game = u"mygame") {
        std::u16string error;
        const int result =
            FetchConfig(util::FromUtf8(kCdn + "/live/"), game, u"live", config, error);
        return result == 1 ? "ok" : util::ToUtf8(error);
    }

    std::string Fetch() {
        GameConfig config;
        return Fetch(config);
    }
};

TEST_F(ConfigLoaderTest, FetchesBothDocumentsOverHttps) {
    GameConfig config;
    ASSERT_EQ(Fetch(config), "ok");
    EXPECT_EQ(config.LauncherName, u"L.exe");
    EXPECT_EQ(ValidationCode(config), 0);
    const auto requests = sandbox_->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, kServiceList);
    EXPECT_EQ(requests[1].path, kGameDocument);
    EXPECT_TRUE(AllRequestsWereSecure());
}

TEST_F(ConfigLoaderTest, EachFailureHasItsText) {
    struct Case {
        std::string path;
        sandbox::Fault fault;
        std::string body;
        std::string text;
    };
    const std::vector<Case> cases = {
        {kServiceList,
         {.status = 404},
         "",
         "Failed to gamestarter.json file download. (ErrorCode = 404)"},
        {kServiceList,
         {.htmlPage = true},
         "",
         "Failed to gamestarter.json file download. (ErrorCode = 2)"},
        {kServiceList, {}, "not json", "Failed to gamestarter.json file parsing. (ErrorCode = 0)"},
        {kServiceList, {}, "{}", "Failed to gamestarter.json file parsing. (ErrorCode = 1)"},
        {kServiceList,
         {},
         R"({"service_games":["other"]})",
         "Failed to gamestarter.json file parsing. (ErrorCode = 2)"},
        {kServiceList,
         {},
         R"({"service_games":[7]})",
         "Failed to gamestarter.json file parsing. (service_games element must be a string, "
         "not number)"},
        {kGameDocument,
         {.status = 500},
         "",
         "Failed to mygame.gamestarter.json file download. (ErrorCode = 500)"},
        {kGameDocument, {}, "", "Failed to mygame.gamestarter.json file parsing. (ErrorCode = 0)"},
        {kGameDocument,
         {},
         R"({"MyGame":{}})",
         "Failed to mygame.gamestarter.json file parsing. (ErrorCode = 1)"},
        {kGameDocument,
         {},
         R"({"mygame":{"live":{"CheckCodeSignOption":"no"}}})",
         "Failed to mygame.gamestarter.json file parsing. (mygame/live/CheckCodeSignOption must "
         "be a boolean, not string)"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.fault.status || c.fault.htmlPage) {
            sandbox_->AddFault(kCdn, c.path, c.fault);
        } else {
            Serve(kCdn, c.path, c.body);
        }
        EXPECT_EQ(Fetch(), c.text);
    }
}

TEST_F(ConfigLoaderTest, ValidationCodesInTheirOrder) {
    // Each case empties one required member of a complete section, or several at once.
    const std::vector<std::pair<std::string, int>> cases = {
        {R"("LauncherName":"")", 1}, {R"("SetupName":"")", 2},
        {R"("Domain":null)", 3},     {R"("SetupURL":"")", 4},
        {R"("LauncherURL":"")", 5},  {R"("RegistryRoot":"")", 6},
        {R"("RegistryPath":[])", 7}, {R"("InstallParams":"")", 8},
        {R"("ExecParams":"")", 9},   {R"("LauncherName":"","SetupName":"")", 1},
    };
    for (const auto& [emptied, code] : cases) {
        const std::string section = kSection.substr(0, kSection.size() - 1) + "," + emptied + "}";
        Serve(kCdn, kGameDocument, R"({"mygame":{"live":)" + section + "}}");
        GameConfig config;
        ASSERT_EQ(Fetch(config), "ok") << emptied;
        EXPECT_EQ(ValidationCode(config), code) << emptied;
    }
    // A document without a section for the mode reads fine and fails validation with code 1.
    Serve(kCdn, kGameDocument, R"({"mygame":{"qa":)" + kSection + "}}");
    GameConfig config;
    ASSERT_EQ(Fetch(config), "ok");
    EXPECT_EQ(ValidationCode(config), 1);
}

} // namespace
} // namespace vg::config
