// vg-config-check over folder trees: the starter's failure texts, codes and notices for each way
// a tree can be wrong, the warnings, and the exit statuses.
#include "config_check_fixture.h"

#include <gtest/gtest.h>

namespace vg::test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

class FolderCheckTest : public ConfigCheckTest {
protected:
    void SetUp() override {
        tree_.WriteList(R"({"service_games":["mygame"]})");
        tree_.WriteGame("mygame", {{"live", CompleteSection()}, {"test", CompleteSection()}});
    }
};

TEST_F(FolderCheckTest, GoodTreePassesInEveryMode) {
    const ProcessResult text = Run({});
    EXPECT_EQ(text.exitCode, 0) << text.out << text.err;
    EXPECT_EQ(text.out, "CDN tree: " + Tree().string() +
                            "\ngame mygame: OK\n  mode live: OK\n  mode test: OK\n"
                            "summary: OK, 1 game checked, 0 failed\n");
    EXPECT_THAT(text.err, IsEmpty());

    const Json report = RunJson({}, 0);
    EXPECT_EQ(report.at("tree"), Tree().string());
    EXPECT_TRUE(report.at("ok"));
    EXPECT_TRUE(report.at("list_error").is_null());
    const Json game = GameOf(report, "mygame");
    EXPECT_TRUE(game.at("listed"));
    EXPECT_TRUE(game.at("ok"));
    ASSERT_EQ(game.at("modes").size(), 2u);
    for (const Json& mode : game.at("modes")) {
        EXPECT_TRUE(mode.at("ok"));
        EXPECT_THAT(mode.at("errors"), IsEmpty());
        EXPECT_THAT(mode.at("warnings"), IsEmpty());
    }
}

TEST_F(FolderCheckTest, EachValidationCodeInItsMode) {
    // One mode per required member, emptied in each of the ways a document can leave it empty.
    struct Case {
        std::string mode;
        std::string changes;
        std::string code;
    };
    const std::vector<Case> cases = {
        {"launcher", R"("LauncherName":null)", "1"},
        {"setup", R"("SetupName":"")", "2"},
        {"domain", R"("Domain":"")", "3"},
        {"setup-url", R"("SetupURL":null)", "4"},
        {"launcher-url", R"("LauncherURL":"")", "5"},
        {"root", R"("RegistryRoot":"")", "6"},
        {"path", R"("RegistryPath":[null])", "7"},
        {"install", R"("InstallParams":"")", "8"},
        {"exec", R"("ExecParams":"")", "9"},
        {"first-wins", R"("LauncherName":"","SetupName":"")", "1"},
    };
    std::vector<std::pair<std::string, Json>> modes;
    for (const Case& c : cases) {
        modes.emplace_back(c.mode, Section(c.changes));
    }
    modes.emplace_back("null", nullptr); // a mode whose section is null reads as all defaults
    tree_.WriteGame("mygame", modes);

    const Json game = GameOf(RunJson({}, 1), "mygame");
    EXPECT_FALSE(game.at("ok"));
    const std::string invalid = "INIT 0xA0030002 message 20: Invalid config file. (ErrorCode = ";
    for (const Case& c : cases) {
        const Json mode = ModeOf(game, c.mode);
        EXPECT_FALSE(mode.at("ok"));
        EXPECT_THAT(FailureLines(mode), ElementsAre(invalid + c.code + ")")) << c.changes;
    }
    EXPECT_THAT(FailureLines(ModeOf(game, "null")),
                ElementsAre("INIT 0xA0030002 message 20: Invalid config file. (ErrorCode = 1)"));

    const ProcessResult text = Run({});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_THAT(text.out, HasSubstr("game mygame: FAILED\n"));
    EXPECT_THAT(text.out,
                HasSubstr("  mode path: FAILED\n    error: INIT 0xA0030002 Invalid config "
                          "file. (ErrorCode = 7) [message 20]\n"));
    EXPECT_THAT(text.out, HasSubstr("summary: FAILED, 1 game checked, 1 failed\n"));
}

TEST_F(FolderCheckTest, ListFailuresAreReportedOnceForTheTree) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, "Failed to gamestarter.json file download. (ErrorCode = 404)"},
        {"<html><body>Maintenance</body></html>",
         "Failed to gamestarter.json file download. (ErrorCode = 2)"},
        {"", "Failed to gamestarter.json file parsing. (ErrorCode = 0)"},
        {"{\"service_games\":", "Failed to gamestarter.json file parsing. (ErrorCode = 0)"},
        {"null", "Failed to gamestarter.json file parsing. (ErrorCode = 1)"},
        {R"({"service_games":null})", "Failed to gamestarter.json file parsing. (ErrorCode = 1)"},
        {R"({"games":["mygame"]})", "Failed to gamestarter.json file parsing. (ErrorCode = 1)"},
        {R"({"service_games":7})",
         "Failed to gamestarter.json file parsing. (service_games element must be a string, not "
         "number)"},
        {R"({"service_games":[null,{"name":"mygame"}]})",
         "Failed to gamestarter.json file parsing. (service_games element must be a string, not "
         "object)"},
        {R"(["mygame"])",
         "Failed to gamestarter.json file parsing. (the document must be an object, not array)"},
    };
    for (const auto& [list, description] : cases) {
        std::filesystem::remove(Tree() / "config" / "varnugames" / "gamestarter.json");
        if (list) {
            tree_.WriteList(*list);
        }
        const Json report = RunJson({}, 1);
        ASSERT_FALSE(report.at("list_error").is_null()) << description;
        EXPECT_EQ(FailureLine(report.at("list_error")),
                  "INIT 0xA0030001 message 19: " + description);
        EXPECT_THAT(report.at("games"), IsEmpty());
    }
    const ProcessResult text = Run({});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_THAT(text.out,
                HasSubstr("list gamestarter.json: FAILED\n  error: INIT 0xA0030001 Failed "
                          "to gamestarter.json file parsing. (the document must be an "
                          "object, not array) [message 19]\n"));
}

TEST_F(FolderCheckTest, GameDocumentFailuresFailTheGame) {
    tree_.WriteList(R"({"service_games":["mygame","nodoc","notjson","othername","nomodes","page",
        "notobject",null,"MyGame"]})");
    tree_.WriteGame("notjson", "{\"notjson\":");
    tree_.WriteGame("othername", Json{{"OtherName", {{"live", CompleteSection()}}}}.dump());
    tree_.WriteGame("nomodes", R"({"nomodes":{}})");
    tree_.WriteGame("page", "<!DOCTYPE html><html><body>Not here</body></html>");
    tree_.WriteGame("notobject", R"({"notobject":"live"})");

    const Json report = RunJson({}, 1);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"nodoc",
         "INIT 0xA0030001 message 19: Failed to nodoc.gamestarter.json file download. (ErrorCode "
         "= 404)"},
        {"notjson",
         "INIT 0xA0030001 message 19: Failed to notjson.gamestarter.json file parsing. (ErrorCode "
         "= 0)"},
        {"othername",
         "INIT 0xA0030001 message 19: Failed to othername.gamestarter.json file parsing. "
         "(ErrorCode = 1)"},
        {"nomodes", "INIT 0xA0030002 message 20: Invalid config file. (ErrorCode = 1)"},
        {"page",
         "INIT 0xA0030001 message 19: Failed to page.gamestarter.json file download. (ErrorCode "
         "= 2)"},
        {"notobject",
         "INIT 0xA0030001 message 19: Failed to notobject.gamestarter.json file parsing. "
         "(notobject must be an object, not string)"},
        // The list names the game in capitals; its document is fetched under that spelling.
        {"MyGame", "INIT 0xA0030001 message 19: Failed to MyGame.gamestarter.json file download. "
                   "(ErrorCode = 404)"},
    };
    for (const auto& [name, line] : cases) {
        const Json game = GameOf(report, name);
        EXPECT_FALSE(game.at("ok")) << name;
        EXPECT_TRUE(game.at("listed")) << name;
        EXPECT_THAT(FailureLines(game), ElementsAre(line)) << name;
        EXPECT_THAT(game.at("modes"), IsEmpty()) << name;
    }
    EXPECT_TRUE(GameOf(report, "mygame").at("ok"));
    EXPECT_EQ(report.at("games").size(), cases.size() + 1);
}

TEST_F(FolderCheckTest, UnlistedDocumentFailsAndIsCheckedAsIfListed) {
    tree_.WriteGame("newgame", {{"live", Section(R"("Domain":"")")}});
    const Json report = RunJson({}, 1);
    EXPECT_TRUE(GameOf(report, "mygame").at("ok"));
    const Json game = GameOf(report, "newgame");
    EXPECT_FALSE(game.at("listed"));
    EXPECT_FALSE(game.at("ok"));
    EXPECT_THAT(FailureLines(game),
                ElementsAre("INIT 0xA0030001 message 19: Failed to gamestarter.json file parsing. "
                            "(ErrorCode = 2)"));
    EXPECT_THAT(FailureLines(ModeOf(game, "live")),
                ElementsAre("INIT 0xA0030002 message 20: Invalid config file. (ErrorCode = 3)"));

    const ProcessResult text = Run({});
    EXPECT_THAT(text.out, HasSubstr("game newgame: FAILED (not listed)\n  error: INIT 0xA0030001 "
                                    "Failed to gamestarter.json file parsing. (ErrorCode = 2) "
                                    "[message 19]\n  note: "));

    // Named games are the only ones checked: the unlisted document is left out.
    EXPECT_EQ(Run({"--game", "mygame"}).exitCode, 0);
    const Json named = RunJson({"--game=newgame"}, 1);
    ASSERT_EQ(named.at("games").size(), 1u);
    EXPECT_FALSE(GameOf(named, "newgame").at("listed"));
}

TEST_F(FolderCheckTest, TypeErrorsHaveTheStarterText) {
    tree_.WriteGame("mygame", {{"number", Section(R"("SetupName":5)")},
                               {"word", Section(R"("CheckCodeSignOption":"false")")},
                               {"list", Section(R"("CheckFiles":["a.pak",{"b":1}])")},
                               {"path", Section(R"("RegistryPath":true)")}});
    const Json game = GameOf(RunJson({}, 1), "mygame");
    const std::string prefix =
        "INIT 0xA0030001 message 19: Failed to mygame.gamestarter.json file parsing. (mygame/";
    EXPECT_THAT(FailureLines(ModeOf(game, "number")),
                ElementsAre(prefix + "number/SetupName must be a string, not number)"));
    EXPECT_THAT(FailureLines(ModeOf(game, "word")),
                ElementsAre(prefix + "word/CheckCodeSignOption must be a boolean, not string)"));
    EXPECT_THAT(FailureLines(ModeOf(game, "list")),
                ElementsAre(prefix + "list/CheckFiles element must be a string, not object)"));
    EXPECT_THAT(FailureLines(ModeOf(game, "path")),
                ElementsAre(prefix + "path/RegistryPath must be a string, not boolean)"));
}

TEST_F(FolderCheckTest, UnsafeNamesFailWithTheStarterRefusal) {
    tree_.WriteGame(
        "mygame",
        {{"setup-up", Section(R"("SetupName":"..\\Setup.exe")")},
         {"setup-dir", Section(R"("SetupName":"sub/Setup.exe")")},
         {"checkfiles", Section(R"("CheckFiles":["ok.pak","..\\..\\evil.dll","C:\\x.dll",""])")},
         {"both", Section(R"("SetupName":"/tmp/Setup.exe","CheckFiles":["a/../../b"])")}});
    const Json game = GameOf(RunJson({}, 1), "mygame");
    EXPECT_THAT(FailureLines(ModeOf(game, "setup-up")),
                ElementsAre("INSTALL 0xA0040001 message 21: Refused installer name "
                            "\"..\\Setup.exe\": the name climbs out of its directory (\"..\")."));
    EXPECT_THAT(FailureLines(ModeOf(game, "setup-dir")),
                ElementsAre("INSTALL 0xA0040001 message 21: Refused installer name "
                            "\"sub/Setup.exe\": the name has a directory part."));
    EXPECT_THAT(
        FailureLines(ModeOf(game, "checkfiles")),
        ElementsAre("PATCH 0xA0050001 message 22: Refused check file name \"..\\..\\evil.dll\": "
                    "the name climbs out of its directory (\"..\").",
                    "PATCH 0xA0050001 message 22: Refused check file name \"C:\\x.dll\": the "
                    "name holds a drive or stream (\":\").",
                    "PATCH 0xA0050001 message 22: Refused check file name \"\": the name is "
                    "empty."));
    EXPECT_THAT(FailureLines(ModeOf(game, "both")),
                ElementsAre("INSTALL 0xA0040001 message 21: Refused installer name "
                            "\"/tmp/Setup.exe\": the name starts at a root.",
                            "PATCH 0xA0050001 message 22: Refused check file name \"a/../../b\": "
                            "the name climbs out of its directory (\"..\")."));
}

TEST_F(FolderCheckTest, WarningsDoNotFail) {
    tree_.WriteGame("mygame",
                    {{"urls", Section(R"("SetupURL":"/setup","LauncherURL":"/launcher")")},
                     {"root", Section(R"("RegistryRoot":"HKEY_LOCAL_MACHINE")")},
                     {"root-any-case", Section(R"("RegistryRoot":"hkcr")")},
                     {"key", Section(R"("ExecParams":"-key {key}")")},
                     {"nocheck", Section(R"("CheckCodeSignOption":false)")},
                     {"nosigner", Section(R"("CodeSignName":null)")},
                     {"nosigner-empty", Section(R"("CodeSignName":[])")}});
    const Json game = GameOf(RunJson({}, 0), "mygame");
    const auto keys = [&](const std::string& mode) {
        std::vector<std::string> found;
        const Json section = ModeOf(game, mode);
        for (const Json& warning : section.at("warnings")) {
            found.push_back(warning.at("key"));
        }
        return found;
    };
    EXPECT_THAT(keys("urls"), ElementsAre("SetupURL", "LauncherURL"));
    EXPECT_THAT(keys("root"), ElementsAre("RegistryRoot"));
    EXPECT_THAT(keys("root-any-case"), IsEmpty());
    EXPECT_THAT(keys("key"), ElementsAre("ExecParams"));
    EXPECT_THAT(keys("nocheck"), ElementsAre("CheckCodeSignOption"));
    EXPECT_THAT(keys("nosigner"), ElementsAre("CodeSignName"));
    EXPECT_THAT(keys("nosigner-empty"), ElementsAre("CodeSignName"));
    EXPECT_TRUE(game.at("ok"));

    const ProcessResult text = Run({});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_THAT(text.out,
                HasSubstr("  mode urls: OK\n    warning: SetupURL \"/setup\" does not end "
                          "in \"/\": file names are appended as they are, giving "
                          "\"/setupSetup.exe\"\n"));
    EXPECT_THAT(text.out,
                HasSubstr("    warning: RegistryRoot \"HKEY_LOCAL_MACHINE\" names no hive "
                          "(HKCR, HKCU, HKLM or HKU): the install directory is looked up "
                          "in HKCU\n"));
}

TEST_F(FolderCheckTest, FilesOutsideTheTreeAreNotServed) {
    // A listed name that climbs out of the tree finds nothing there, as on the CDN.
    tree_.WriteList(R"({"service_games":["../../../outside"]})");
    WriteFile(dir_ / "outside.gamestarter.json", R"({"../../../outside":{"live":{}}})");
    EXPECT_THAT(FailureLines(GameOf(RunJson({}, 1), "../../../outside")),
                ElementsAre("INIT 0xA0030001 message 19: Failed to "
                            "../../../outside.gamestarter.json file download. (ErrorCode = 404)"));
}

TEST_F(FolderCheckTest, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {(dir_ / "missing").string()},
        {"--frobnicate", Tree().string()},
        {"--game", Tree().string()},
        {"--game=", Tree().string()},
        {Tree().string(), Tree().string()},
        {"http://cdn.varnugames.com/live/"},
        {"https://cdn.varnugames.com:8443/live/"},
    };
    for (const std::vector<std::string>& args : cases) {
        const ProcessResult result = Run(args, false);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(args);
        EXPECT_THAT(result.out, IsEmpty());
        EXPECT_THAT(result.err, HasSubstr("vg-config-check: "));
    }
    const ProcessResult help = Run({"--help"}, false);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("Usage: vg-config-check"));
    EXPECT_THAT(help.out, HasSubstr("(404)"));
    EXPECT_THAT(help.out, HasSubstr("\"<html\""));
}

} // namespace
} // namespace vg::test
