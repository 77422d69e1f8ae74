// The shell's order of steps, seen through vg-shell-probe: the real shell, with each stage it
// hands work to recording the call and whether the instance mutex was held.
#include "blackbox/program_under_test.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vg::test {
namespace {

const std::string kCdnHost = util::ToUtf8(deployment::kCdnHost);

class StartupOrderTest : public testing::Test {
protected:
    std::vector<std::string> Run(const std::vector<std::string>& args,
                                 EnvironmentChanges extra = {}) {
        EnvironmentChanges environment = {{"XDG_RUNTIME_DIR", dir_.Path().string()},
                                          {"VG_PROBE_LOG", target_.ProgramPath(log_)},
                                          {"DISPLAY", std::nullopt},
                                          {"WAYLAND_DISPLAY", std::nullopt}};
        environment.merge(extra);
        const ProcessResult result = target_.Run(target_.ShellProbe(), args, environment);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "");
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(log_));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        std::filesystem::remove(log_);
        // A probe started with an argument that wrote nothing did not get as far as its dialog:
        // say how it ended.
        EXPECT_TRUE(args.empty() || !lines.empty())
            << "exit code " << result.exitCode << " after " << result.elapsed.count() << " ms\n"
            << result.systemLog;
        return lines;
    }

    static std::string Url(const std::string& gameName, const std::string& mode) {
        return "varnugamesstarter://" + gameName + "|" + mode + "|Launcher.exe|tok|m1|ag|ch";
    }

    const ProgramUnderTest& target_ = ProgramUnderTest::Get();
    TempDir dir_;
    std::string log_ = (dir_ / "probe.log").string();
};

TEST_F(StartupOrderTest, GameStartRunsEveryStepInOrder) {
    const std::vector<std::string> expected = {
        "dialog lock=free",
        "selfUpdate commandLine=" + Url("mygame", "live") + " lock=held",
        "startTelemetry isTest=0 mode=live game=mygame mid=m1 lock=held",
        "event START result=0 description= lock=held",
        "event SELFUPDATE result=0 description= lock=held",
        "startGame game=mygame mode=live isTest=0 cdnBase=" + kCdnHost + "/live/ lock=held",
        "stopTelemetry lock=free",
    };
    EXPECT_EQ(Run({Url("mygame", "live")}), expected);
}

TEST_F(StartupOrderTest, ActionsRunTheirRoutineWithoutStartEvents) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"pcregister", "registerPc registerMode=1 game=pcregister"},
        {"PCVERIFY", "registerPc registerMode=0 game=PCVERIFY"},
        {"pcregisterV2", "registerPcV2 registerMode=1 game=pcregisterV2"},
        {"pcverifyv2", "registerPcV2 registerMode=0 game=pcverifyv2"},
        {"PCSPEC", "sendPcSpec encStr=tok game=PCSPEC"},
        {"pcspec2", "startGame game=pcspec2"},
    };
    for (const auto& [gameName, routine] : cases) {
        const std::vector<std::string> lines = Run({Url(gameName, "qa")});
        ASSERT_FALSE(lines.empty()) << gameName;
        const bool isGameStart = gameName == "pcspec2";
        ASSERT_EQ(lines.size(), isGameStart ? 7u : 5u) << gameName;
        EXPECT_EQ(lines[3].rfind(isGameStart ? "event START" : routine, 0), 0u) << lines[3];
        EXPECT_EQ(lines[lines.size() - 2].rfind(routine + " mode=qa isTest=1", 0), 0u)
            << lines[lines.size() - 2];
        EXPECT_EQ(lines.back(), "stopTelemetry lock=free");
    }
}

TEST_F(StartupOrderTest, ModeChoosesTheEnvironment) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"LIVE", "isTest=0 cdnBase=" + kCdnHost + "/live/"},
        {"Real", "isTest=0 cdnBase=" + kCdnHost + "/live/"},
        {"reality", "isTest=0 cdnBase=" + kCdnHost + "/live/"},
        {"qa", "isTest=1 cdnBase=" + kCdnHost + "/test/"},
        {"stage", "isTest=1 cdnBase=" + kCdnHost + "/test/"},
        {"test", "isTest=1 cdnBase=" + kCdnHost + "/test/"},
    };
    for (const auto& [mode, environment] : cases) {
        const std::vector<std::string> lines = Run({Url("g", mode)});
        ASSERT_EQ(lines.size(), 7u) << mode;
        EXPECT_NE(lines[5].find(environment), std::string::npos) << lines[5];
    }
}

TEST_F(StartupOrderTest, RunsThatEndEarly) {
    // No argument: nothing at all, not even the dialog.
    EXPECT_TRUE(Run({}).empty());
    // A rejected URL ends after the mutex, through the telemetry stop that releases it.
    const std::vector<std::string> rejected = {"dialog lock=free", "stopTelemetry lock=free"};
    // An empty argument is an empty command line for the Linux program, which ends after the
    // dialog, before the mutex. A Windows command line keeps the argument's two quotes: a URL
    // without the scheme.
    EXPECT_EQ(Run({""}),
              target_.IsWindows() ? rejected : std::vector<std::string>{"dialog lock=free"});
    EXPECT_EQ(Run({"varnugamesstarter://game|live|Launcher.exe"}), rejected);
    EXPECT_EQ(Run({"game|live|Launcher.exe|tok"}), rejected);
}

TEST_F(StartupOrderTest, HandedOverToANewerBuildRunsNoModeAndSendsNothing) {
    const std::vector<std::string> expected = {
        "dialog lock=free",
        "selfUpdate commandLine=" + Url("mygame", "live") + " lock=held",
        "stopTelemetry lock=free",
    };
    EXPECT_EQ(Run({Url("mygame", "live")}, {{"VG_PROBE_SELF_UPDATE", "1"}}), expected);
}

} // namespace
} // namespace vg::test
