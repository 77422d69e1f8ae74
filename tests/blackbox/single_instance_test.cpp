// One instance at a time across real processes: a second run while the first is at work ends
// after its dialog, and the mutex is free again once the first has ended. Seen through the
// application shell with recording stages, and through the built program against the sandbox.
#include "blackbox/game_start_fixture.h"
#include "blackbox/program_under_test.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace vg::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(SingleInstanceTest, SecondRunEndsAtTheMutexWhileTheFirstIsAtWork) {
    const ProgramUnderTest& target = ProgramUnderTest::Get();
    TempDir dir;
    const std::string url = "varnugamesstarter://game|live|Launcher.exe|tok";
    const std::string release = target.ProgramPath(dir / "release");
    auto environment = [&](const std::string& log) {
        return EnvironmentChanges{{"XDG_RUNTIME_DIR", dir.Path().string()},
                                  {"VG_PROBE_LOG", target.ProgramPath(dir / log)},
                                  {"VG_PROBE_HOLD", release}};
    };

    const std::unique_ptr<ChildProcess> first =
        target.Start(target.ShellProbe(), {url}, environment("first.log"));
    // The first run is inside its game start, holding the mutex, until the release file exists.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadFile(dir / "first.log").find("startGame") == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the first run never started";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const ProcessResult second = target.Run(target.ShellProbe(), {url}, environment("second.log"));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_EQ(ReadFile(dir / "second.log"), "dialog lock=held\n");

    WriteFile(dir / "release", "");
    const ProcessResult firstResult = target.Finished(first->Wait());
    EXPECT_EQ(firstResult.exitCode, 0);
    EXPECT_NE(ReadFile(dir / "first.log").find("stopTelemetry lock=free"), std::string::npos);

    // With the first run over, the next one goes through.
    target.Run(target.ShellProbe(), {url}, environment("third.log"));
    EXPECT_NE(ReadFile(dir / "third.log").find("startGame"), std::string::npos);
}

class ProgramSingleInstanceTest : public GameStartTest {
public:
    long StartEvents() const {
        const std::vector<ReceivedEvent> events = Events();
        return std::count_if(events.begin(), events.end(), [](const ReceivedEvent& event) {
            return event.actionCode == "START";
        });
    }
};

TEST_F(ProgramSingleInstanceTest, ASecondStartWhileTheFirstWaitsForTheCdnEndsSilently) {
    const std::string list = "/live/config/varnugames/gamestarter.json";
    ServeConfig(Section(R"(,"CheckFiles":[])"));
    RegisterInstallPath();
    fs::copy_file(target_.Recorder(), installDir_ / "Launcher.exe");
    // The first run holds the mutex while the CDN keeps it waiting for the game list.
    sandbox_->AddFault(util::ToUtf8(deployment::kCdnHost), list, {.delay = 5s, .times = 1});
    sandbox_->ClearRequests();

    const std::unique_ptr<ChildProcess> first = Start(gameUrl_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto listRequested = [&] {
        const std::vector<sandbox::RecordedRequest> requests = sandbox_->Requests();
        return std::any_of(requests.begin(), requests.end(),
                           [&](const auto& request) { return request.path == list; });
    };
    while (!listRequested()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the first run never got there";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const ProcessResult second = target_.Finished(Start(gameUrl_)->Wait());
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out + second.err, "");
    const ProcessResult firstResult = target_.Finished(first->Wait());
    EXPECT_EQ(firstResult.out + firstResult.err, "");
    EXPECT_EQ(StartEvents(), 1) << "only the first run reported a start";
    EXPECT_TRUE(Started().has_value());

    // With the first run over, the next one goes through.
    Run(gameUrl_);
    EXPECT_EQ(StartEvents(), 1);
    EXPECT_EQ(EventSummary().back(), "DONE 00000000");
}

} // namespace
} // namespace vg::test
