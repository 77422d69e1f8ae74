// The reading rules of the two configuration documents.
#include "config/config_reader.h"

#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::config {
namespace {

TEST(ServiceListTest, ListsAndTheirForms) {
    struct Case {
        const char* document;
        const char16_t* game;
        ServiceListResult result;
    };
    const std::vector<Case> cases = {
        {R"({"service_games":["other","MyGame"]})", u"mygame", ServiceListResult::Listed},
        {R"({"service_games":"mygame"})", u"mygame", ServiceListResult::Listed},
        {R"({"service_games":{"a":"x","b":"mygame"}})", u"mygame", ServiceListResult::Listed},
        {R"({"service_games":[null,"mygame"]})", u"mygame", ServiceListResult::Listed},
        {R"({"service_games":["m\u00ffgame"]})", u"m\u00ffgame", ServiceListResult::Listed},
        {R"({"service_games":["MÿGAME"]})", u"m\u00ffgame", ServiceListResult::Listed},
        {R"({"service_games":["MŸGAME"]})", u"m\u00ffgame", ServiceListResult::Unlisted},
        {R"({"service_games":[]})", u"mygame", ServiceListResult::Unlisted},
        {R"({"service_games":[null,null]})", u"mygame", ServiceListResult::Unlisted},
        {R"({"service_games":["mygame2"]})", u"mygame", ServiceListResult::Unlisted},
        {R"({"service_games":null})", u"mygame", ServiceListResult::MissingList},
        {R"({"games":["mygame"]})", u"mygame", ServiceListResult::MissingList},
        {"null", u"mygame", ServiceListResult::MissingList},
        {"", u"mygame", ServiceListResult::NotJson},
        {"{\"service_games\":[\"\xB0\xA1\"]}", u"mygame", ServiceListResult::NotJson},
        {"<html>", u"mygame", ServiceListResult::NotJson},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadServiceList(c.document, c.game), c.result) << c.document;
    }
}

TEST(ServiceListTest, TypeErrorsNameTheirPlace) {
    for (const char* document :
         {R"({"service_games":[1]})", R"({"service_games":true})", R"(["service_games"])"}) {
        EXPECT_THROW(ReadServiceList(document, u"g"), ConfigTypeError) << document;
    }
    try {
        ReadServiceList(R"({"service_games":[{"x":1}]})", u"g");
        FAIL();
    } catch (const ConfigTypeError& error) {
        EXPECT_STREQ(error.what(), "service_games element must be a string, not object");
    }
}

const char* const kFullSection = R"({"g":{"live":{
    "CheckFiles":["a.dll","sub/b.dat"], "LauncherName":"L.exe", "SetupName":"Setup.exe",
    "Domain":"dl.example", "SetupURL":"/setup/", "LauncherURL":"/launcher/",
    "RegistryRoot":"HKLM", "RegistryPath":["Software\\G",null,"Software\\G2"],
    "CheckCodeSignOption":false, "CodeSignName":"Varnugames Co., Ltd.",
    "InstallParams":"/S", "ExecParams":"{KEY} {MID}", "Unknown":1}}})";

TEST(GameDocumentTest, ReadsEveryKeyOfTheModeSection) {
    GameConfig config;
    ASSERT_EQ(ReadGameDocument(kFullSection, u"g", u"live", config), GameDocumentResult::Read);
    EXPECT_EQ(config.CheckFiles, (std::vector<std::u16string>{u"a.dll", u"sub/b.dat"}));
    EXPECT_EQ(config.LauncherName, u"L.exe");
    EXPECT_EQ(config.SetupName, u"Setup.exe");
    EXPECT_EQ(config.Domain, u"dl.example");
    EXPECT_EQ(config.SetupURL, u"/setup/");
    EXPECT_EQ(config.LauncherURL, u"/launcher/");
    EXPECT_EQ(config.RegistryRoot, u"HKLM");
    EXPECT_EQ(config.RegistryPath, (std::vector<std::u16string>{u"Software\\G", u"Software\\G2"}));
    EXPECT_FALSE(config.CheckCodeSignOption);
    EXPECT_EQ(config.CodeSignName, std::vector<std::u16string>{u"Varnugames Co., Ltd."});
    EXPECT_EQ(config.InstallParams, u"/S");
    EXPECT_EQ(config.ExecParams, u"{KEY} {MID}");
}

TEST(GameDocumentTest, MissingAndNullKeysKeepTheDefaults) {
    GameConfig config;
    ASSERT_EQ(ReadGameDocument(R"({"g":{"live":{"LauncherName":null,"RegistryPath":"K",
                                  "CheckCodeSignOption":null}}})",
                               u"g", u"live", config),
              GameDocumentResult::Read);
    EXPECT_EQ(config.LauncherName, u"");
    EXPECT_EQ(config.RegistryPath, std::vector<std::u16string>{u"K"});
    EXPECT_TRUE(config.CheckCodeSignOption);
    EXPECT_TRUE(config.CodeSignName.empty());
    EXPECT_TRUE(config.CheckFiles.empty());
}

TEST(GameDocumentTest, GameAndModeMembers) {
    struct Case {
        const char* document;
        const char16_t* game;
        const char16_t* mode;
        GameDocumentResult result;
    };
    const std::vector<Case> cases = {
        {R"({"G":{"live":{}}})", u"g", u"live", GameDocumentResult::MissingGame},
        {R"({"g":null})", u"g", u"live", GameDocumentResult::MissingGame},
        {"null", u"g", u"live", GameDocumentResult::MissingGame},
        {R"({"g":{"LIVE":{"LauncherName":"x"}}})", u"g", u"live", GameDocumentResult::Read},
        {R"({"게임":{"live":{}}})", u"게임", u"live", GameDocumentResult::Read},
        {"{", u"g", u"live", GameDocumentResult::NotJson},
    };
    for (const Case& c : cases) {
        GameConfig config;
        EXPECT_EQ(ReadGameDocument(c.document, c.game, c.mode, config), c.result) << c.document;
        EXPECT_EQ(config.LauncherName, u"") << c.document;
    }
}

TEST(GameDocumentTest, NonAsciiValuesAreReadAsUtf8) {
    GameConfig config;
    ReadGameDocument(R"({"g":{"live":{"CodeSignName":["바르누게임즈"],"ExecParams":"é"}}})", u"g",
                     u"live", config);
    EXPECT_EQ(config.CodeSignName, std::vector<std::u16string>{u"바르누게임즈"});
    EXPECT_EQ(config.ExecParams, u"é");
}

TEST(GameDocumentTest, TypeErrorsNameTheirPlace) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {R"({"g":{"live":{"CheckCodeSignOption":"false"}}})",
         "g/live/CheckCodeSignOption must be a boolean, not string"},
        {R"({"g":{"live":{"LauncherName":5}}})",
         "g/live/LauncherName must be a string, not number"},
        {R"({"g":{"live":{"RegistryPath":{"a":1}}}})",
         "g/live/RegistryPath must be a string, not object"},
        {R"({"g":{"live":{"CheckFiles":[true]}}})",
         "g/live/CheckFiles element must be a string, not boolean"},
        {R"({"g":{"live":"section"}})", "g/live must be an object, not string"},
        {R"({"g":"game"})", "g must be an object, not string"},
        {R"([{"g":{}}])", "the document must be an object, not array"},
    };
    for (const auto& [document, message] : cases) {
        GameConfig config;
        try {
            ReadGameDocument(document, u"g", u"live", config);
            ADD_FAILURE() << document;
        } catch (const ConfigTypeError& error) {
            EXPECT_STREQ(error.what(), message);
        }
    }
}

} // namespace
} // namespace vg::config
