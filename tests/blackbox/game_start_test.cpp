// Game starts from end to end: install, launch, repair, the signer check, and every failure
// with its event and notice.
#include "blackbox/game_start_fixture.h"

#include "support/code_signing.h"
#include "support/pe_writer.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <regex>
#include <sys/stat.h>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSuccessfulStart = {
    "START 00000000", "SELFUPDATE 00000000", "INIT 00000000",   "INSTALL 00000000",
    "PATCH 00000000", "POSTPATCH 00000000",  "LAUNCH 00000000", "DONE 00000000"};

class GameStartEndToEndTest : public GameStartTest {
public:
    /// An installed game: registry entry, launcher (a recorder) and its check file.
    void InstallGame() {
        RegisterInstallPath();
        fs::copy_file(target_.Recorder(), installDir_ / "Launcher.exe");
        WriteFile(installDir_ / "data.pak", "game data");
    }

    void ServeLauncherFiles() {
        ServeFile(kDownloadHost, "/launcher/L.exe", target_.Recorder());
        Serve(kDownloadHost, "/launcher/data.pak", "fresh game data");
    }

    std::vector<std::string> DownloadPaths() const {
        std::vector<std::string> paths;
        for (const auto& request : sandbox_->Requests()) {
            if (request.host == kDownloadHost) {
                paths.push_back(request.path);
            }
        }
        return paths;
    }

    static std::string Key(const std::vector<std::string>& args) {
        return args.empty() ? "" : args.back().substr(std::string("-key=").size());
    }
};

TEST_F(GameStartEndToEndTest, InstalledGameStartsItsLauncherWithTheTemplate) {
    ServeConfig(Section());
    InstallGame();
    const ProcessResult result = Run(gameUrl_);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(EventSummary(), kSuccessfulStart);
    EXPECT_TRUE(DownloadPaths().empty());

    const auto started = Started();
    ASSERT_TRUE(started.has_value());
    ASSERT_EQ(started->args.size(), 7u);
    const std::vector<std::string> head(started->args.begin(), started->args.end() - 1);
    EXPECT_EQ(head, (std::vector<std::string>{"-game=mygame", "-mode=live", "-token=tok", "-mid=m1",
                                              "-channel=web", "-agent=ag"}));
    EXPECT_TRUE(std::regex_match(Key(started->args), std::regex("([0-9A-F]{32})?")));
    EXPECT_EQ(fs::weakly_canonical(started->program),
              fs::weakly_canonical(installDir_ / "Launcher.exe"));
    EXPECT_EQ(fs::weakly_canonical(started->folder), fs::weakly_canonical(installDir_));
    // The key the launcher got is the key the run's events carry.
    for (const ReceivedEvent& event : Events()) {
        EXPECT_NE(event.document.find("\"sequence_key\":\"" + Key(started->args) + "\""),
                  std::string::npos)
            << event.document;
    }
}

TEST_F(GameStartEndToEndTest, MissingCheckFileBringsTheLauncherAndItsFilesAgain) {
    ServeConfig(Section());
    ServeLauncherFiles();
    InstallGame();
    fs::remove(installDir_ / "data.pak");
    Run(gameUrl_);
    EXPECT_EQ(EventSummary(), kSuccessfulStart);
    EXPECT_EQ(DownloadPaths(),
              (std::vector<std::string>{"/launcher/L.exe", "/launcher/L.exe", "/launcher/data.pak",
                                        "/launcher/data.pak"}));
    EXPECT_EQ(ReadFile(installDir_ / "data.pak"), "fresh game data");
    EXPECT_TRUE(Started().has_value());
}

TEST_F(GameStartEndToEndTest, MissingGameIsInstalled) {
    ServeConfig(Section());
    ServeFile(kDownloadHost, "/setup/Setup.exe", target_.Recorder());
    const ProcessResult result = Run(gameUrl_);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(EventSummary(), kSuccessfulStart);
    const auto started = Started();
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(fs::weakly_canonical(started->program), fs::weakly_canonical(tempDir_ / "Setup.exe"));
    ASSERT_EQ(started->args.size(), 2u);
    EXPECT_EQ(started->args[0], "/S");
}

TEST_F(GameStartEndToEndTest, TestModeReadsTheTestTree) {
    ServeConfig(Section());
    InstallGame();
    Run("varnugamesstarter://mygame|qa|Launcher.exe|tok|m1|ag|web");
    EXPECT_EQ(EventSummary(), kSuccessfulStart);
    bool sawTestTree = false;
    for (const auto& request : sandbox_->Requests()) {
        sawTestTree |= request.path == "/test/config/varnugames/mygame.gamestarter.json";
    }
    EXPECT_TRUE(sawTestTree);
    for (const ReceivedEvent& event : Events()) {
        EXPECT_NE(event.document.find(R"("mode":"production")"), std::string::npos);
        EXPECT_NE(event.document.find(R"("topic":"production-test-topic")"), std::string::npos);
    }
}

struct FailureCase {
    std::string name;
    std::function<void(GameStartEndToEndTest&)> arrange;
    std::string url;
    std::vector<std::string> events; ///< after START and SELFUPDATE
    std::string description;         ///< of the last event
    std::string notice;              ///< the message number on standard error, or ""
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class FailureRun : public GameStartEndToEndTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailureRun, ReportsTheFailure) {
    const FailureCase& c = GetParam();
    c.arrange(*this);
    const ProcessResult result = Run(c.url.empty() ? gameUrl_ : c.url);
    std::vector<std::string> expected = {"START 00000000", "SELFUPDATE 00000000"};
    expected.insert(expected.end(), c.events.begin(), c.events.end());
    EXPECT_EQ(EventSummary(), expected);
    const auto events = Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().description, c.description);
    if (c.notice.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_EQ(result.err.rfind("Varnugames Starter: [오류번호:" + c.notice + "] ", 0), 0u)
            << result.err;
        EXPECT_NE(result.err.find("고객센터로 문의해주세요.\n"), std::string::npos);
    }
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(recordFile_)) << "nothing may be started";
}

const std::string kList = "/live/config/varnugames/gamestarter.json";
const std::string kGame = "/live/config/varnugames/mygame.gamestarter.json";
const std::string kCdn = util::ToUtf8(deployment::kCdnHost);

auto Configured(std::function<void(GameStartEndToEndTest&)> more = {}) {
    return [more](GameStartEndToEndTest& test) {
        test.ServeConfig(GameStartTest::Section());
        if (more) {
            more(test);
        }
    };
}

/// Configured, with the game registered as installed in the test's install directory.
auto ConfiguredAndRegistered(std::function<void(GameStartEndToEndTest&)> more = {}) {
    return Configured([more](GameStartEndToEndTest& test) {
        test.RegisterInstallPath();
        if (more) {
            more(test);
        }
    });
}

auto ServedAt(std::string path, std::string body) {
    return Configured([path, body](GameStartEndToEndTest& test) { test.Serve(kCdn, path, body); });
}

auto WithSection(std::string section) {
    return [section](GameStartEndToEndTest& test) { test.ServeConfig(section); };
}

INSTANTIATE_TEST_SUITE_P(
    Init, FailureRun,
    testing::Values(FailureCase{"list404",
                                [](GameStartEndToEndTest& test) {
                                    test.ServeConfig(GameStartTest::Section());
                                    test.sandbox_->AddFault(kCdn, kList, {.status = 404});
                                },
                                "",
                                {"INIT A0030001"},
                                "Failed to gamestarter.json file download. (ErrorCode = 404)",
                                "19"},
                    FailureCase{"listHtml",
                                [](GameStartEndToEndTest& test) {
                                    test.ServeConfig(GameStartTest::Section());
                                    test.sandbox_->AddFault(kCdn, kList, {.htmlPage = true});
                                },
                                "",
                                {"INIT A0030001"},
                                "Failed to gamestarter.json file download. (ErrorCode = 2)",
                                "19"},
                    FailureCase{"listNotJson",
                                ServedAt(kList, "{"),
                                "",
                                {"INIT A0030001"},
                                "Failed to gamestarter.json file parsing. (ErrorCode = 0)",
                                "19"},
                    FailureCase{"noList",
                                ServedAt(kList, "{}"),
                                "",
                                {"INIT A0030001"},
                                "Failed to gamestarter.json file parsing. (ErrorCode = 1)",
                                "19"},
                    FailureCase{"unlisted",
                                ServedAt(kList, R"({"service_games":["other"]})"),
                                "",
                                {"INIT A0030001"},
                                "Failed to gamestarter.json file parsing. (ErrorCode = 2)",
                                "19"},
                    FailureCase{"noGameMember",
                                ServedAt(kGame, R"({"other":{}})"),
                                "",
                                {"INIT A0030001"},
                                "Failed to mygame.gamestarter.json file parsing. (ErrorCode = 1)",
                                "19"},
                    FailureCase{
                        "typeError",
                        ServedAt(kGame, R"({"mygame":{"live":{"CheckCodeSignOption":"yes"}}})"),
                        "",
                        {"INIT A0030001"},
                        "Failed to mygame.gamestarter.json file parsing. (mygame/live/"
                        "CheckCodeSignOption must be a boolean, not string)",
                        "19"},
                    FailureCase{"noModeSection",
                                ServedAt(kGame, R"({"mygame":{"stage":{}}})"),
                                "",
                                {"INIT A0030002"},
                                "Invalid config file. (ErrorCode = 1)",
                                "20"},
                    FailureCase{"noRegistryPath",
                                WithSection(GameStartTest::Section(R"(,"RegistryPath":[])")),
                                "",
                                {"INIT A0030002"},
                                "Invalid config file. (ErrorCode = 7)",
                                "20"},
                    FailureCase{"noExecParams",
                                WithSection(GameStartTest::Section(R"(,"ExecParams":null)")),
                                "",
                                {"INIT A0030002"},
                                "Invalid config file. (ErrorCode = 9)",
                                "20"}));

INSTANTIATE_TEST_SUITE_P(
    Steps, FailureRun,
    testing::Values(
        FailureCase{"installerDownload",
                    Configured(),
                    "",
                    {"INIT 00000000", "INSTALL A0040001"},
                    "Failed to installation file download. (ErrorCode = 404, URL = "
                    "download.varnugames.com/setup/Setup.exe) ",
                    "21"},
        FailureCase{"launcherDownload",
                    ConfiguredAndRegistered(),
                    "",
                    {"INIT 00000000", "INSTALL 00000000", "PATCH A0050001"},
                    "Failed to Launcher.exe downlaod. (ErrorCode = 404, URL = "
                    "download.varnugames.com/launcher/L.exe) ",
                    "22"},
        FailureCase{"checkFileDownload",
                    ConfiguredAndRegistered([](GameStartEndToEndTest& test) {
                        test.ServeFile(kDownloadHost, "/launcher/L.exe", test.target_.Recorder());
                    }),
                    "",
                    {"INIT 00000000", "INSTALL 00000000", "PATCH A0050001"},
                    "Failed to data.pak downlaod. (ErrorCode = 404, URL = "
                    "download.varnugames.com/launcher/data.pak)",
                    "22"},
        FailureCase{"launcherNotAProgram",
                    ConfiguredAndRegistered([](GameStartEndToEndTest& test) {
                        WriteFile(test.installDir_ / "Launcher.exe", "not a program");
                        ::chmod((test.installDir_ / "Launcher.exe").c_str(), 0755);
                        WriteFile(test.installDir_ / "data.pak", "x");
                    }),
                    "",
                    {"INIT 00000000", "INSTALL 00000000", "PATCH 00000000", "POSTPATCH 00000000",
                     "LAUNCH A0060001"},
                    "Failed to installation file execute. (193)",
                    ""},
        FailureCase{"launcherNameClimbsOut",
                    ConfiguredAndRegistered(),
                    "varnugamesstarter://mygame|live|..\\..\\evil.exe|tok",
                    {"INIT 00000000", "INSTALL 00000000", "PATCH A0050001"},
                    "Refused launcher name \"..\\..\\evil.exe\": the name climbs out of its "
                    "directory (\"..\").",
                    "22"},
        FailureCase{"launcherNameWithDrive",
                    ConfiguredAndRegistered(),
                    "varnugamesstarter://mygame|live|C:\\Windows\\evil.exe|tok",
                    {"INIT 00000000", "INSTALL 00000000", "PATCH A0050001"},
                    "Refused launcher name \"C:\\Windows\\evil.exe\": the name holds a drive or "
                    "stream (\":\").",
                    "22"},
        FailureCase{"checkFileClimbsOut",
                    [](GameStartEndToEndTest& test) {
                        test.ServeConfig(GameStartTest::Section(R"(,"CheckFiles":["..\\x.dll"])"));
                        test.RegisterInstallPath();
                    },
                    "",
                    {"INIT 00000000", "INSTALL 00000000", "PATCH A0050001"},
                    "Refused check file name \"..\\x.dll\": the name climbs out of its "
                    "directory (\"..\").",
                    "22"},
        FailureCase{"setupNameWithFolder",
                    WithSection(GameStartTest::Section(R"(,"SetupName":"..\\Setup.exe")")),
                    "",
                    {"INIT 00000000", "INSTALL A0040001"},
                    "Refused installer name \"..\\Setup.exe\": the name climbs out of its "
                    "directory (\"..\").",
                    "21"}));

class SignerCheckTest : public GameStartEndToEndTest {
protected:
    void SetUp() override {
        pki_ = &target_.Pki();
        // One trust file for both checks: the sandbox's TLS and the launchers' signatures.
        WriteFile(trustBundle_, ReadFile(sandbox_->CaFile()) + ReadFile(pki_->RootCertificate()));
        RegisterInstallPath();
        ServeConfig(Section(R"(,"CheckCodeSignOption":true,"CheckFiles":[],)"
                            R"("CodeSignName":["Someone Else","Varnugames Co., Ltd."])"));
    }

    /// A Windows launcher signed by `signer`: the Windows program starts the recorder itself;
    /// the Linux program starts any Windows image through $WINE, which is the recorder.
    fs::path SignedLauncher(TestSigner signer, const std::string& name) {
        const fs::path unsigned_ = dir_ / (name + ".unsigned");
        if (target_.IsWindows()) {
            fs::copy_file(target_.Recorder(), unsigned_);
        } else {
            WriteBinaryFile(unsigned_, BuildPeImage({}).bytes);
        }
        const fs::path signedFile = dir_ / name;
        pki_->Sign(unsigned_, signedFile, signer);
        return signedFile;
    }

    TestPki* pki_ = nullptr;
};

TEST_F(SignerCheckTest, RejectedLauncherIsReplacedByTheAcceptedOne) {
    fs::copy_file(SignedLauncher(TestSigner::kOther, "other.exe"), installDir_ / "Launcher.exe");
    const fs::path good = SignedLauncher(TestSigner::kPublisher, "good.exe");
    ServeFile(kDownloadHost, "/launcher/L.exe", good);
    const ProcessResult result = Run(gameUrl_);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(EventSummary(), kSuccessfulStart);
    EXPECT_EQ(ReadFile(installDir_ / "Launcher.exe"), ReadFile(good));
    const auto started = Started();
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(fs::weakly_canonical(started->program),
              fs::weakly_canonical(installDir_ / "Launcher.exe"));
}

TEST_F(SignerCheckTest, LauncherRejectedTwiceIsDeletedAndNotStarted) {
    const fs::path other = SignedLauncher(TestSigner::kOther, "other.exe");
    fs::copy_file(other, installDir_ / "Launcher.exe");
    ServeFile(kDownloadHost, "/launcher/L.exe",
              SignedLauncher(TestSigner::kSelfSigned, "self.exe"));
    const ProcessResult result = Run(gameUrl_);
    const std::vector<std::string> expected = {"START 00000000", "SELFUPDATE 00000000",
                                               "INIT 00000000",  "INSTALL 00000000",
                                               "PATCH 00000000", "POSTPATCH A0050001"};
    EXPECT_EQ(EventSummary(), expected);
    EXPECT_EQ(result.err.rfind("Varnugames Starter: [오류번호:22] ", 0), 0u) << result.err;
    EXPECT_FALSE(fs::exists(installDir_ / "Launcher.exe"));
    EXPECT_FALSE(fs::exists(recordFile_));
}

} // namespace
} // namespace vg::test
