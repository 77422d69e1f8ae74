// vg-bench-game-start: the built program starting an installed game, as a browser starts it,
// against the publisher sandbox on loopback, run several times. For each run: the time from the
// program's start to the launcher's start, the time to the program's exit, and the starter's own
// work without the waits it is made to keep. Usage: vg-bench-game-start [RUNS] (default 20)
#include "blackbox/game_start_fixture.h"
#include "support/code_signing.h"
#include "support/launch_record.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

/// The invisible dialog's life at start-up.
constexpr Milliseconds kDialogWait{300};
/// What the telemetry shutdown waits for each record still queued when it starts.
constexpr Milliseconds kWaitPerQueuedRecord{2000};
constexpr double kOwnWorkGoalMs = 50;
constexpr std::size_t kEventsOfAStart = 8;

/// The roots Debian's OpenSSL and curl trust by default.
const fs::path kSystemRoots = "/etc/ssl/certs/ca-certificates.crt";
const std::string kCdnHost = vg::util::ToUtf8(vg::deployment::kCdnHost);
const std::string kTelemetryHost = vg::util::ToUtf8(vg::deployment::kTelemetryHost);

/// One run's times, in milliseconds from the program's start.
struct RunTimes {
    double toLauncher = 0; ///< until the launcher entered main
    double toExit = 0;     ///< until the program had ended
    double ownWork = 0;    ///< toLauncher without the dialog's wait
    double afterLaunch = 0;
    long queuedAtShutdown = 0; ///< records the shutdown waited for, read from its length
    double shutdownRest = 0;   ///< afterLaunch without the shutdown's waits
    double lastEvent = 0;      ///< when the collector received the run's last event
    std::string fault;         ///< empty when the run did what a game start does
    /// What the sandbox received, in order: when (ms from the program's start) and what.
    std::vector<std::pair<double, std::string>> requests;
};

/// A request as the timeline shows it: host and path, and a telemetry event's action code.
std::string Describe(const vg::sandbox::RecordedRequest& request) {
    std::string text = request.method;
    text.append(" ").append(request.host).append(request.path);
    const std::string_view marker = "\"action_code\":\"";
    if (const std::size_t code = request.body.find(marker); code != std::string::npos) {
        const std::size_t start = code + marker.size();
        text.append(" ").append(request.body, start, request.body.find('"', start) - start);
    }
    return text;
}

/// An installed game whose configuration asks for the signer check: its registry entry, a
/// launcher signed by the publisher and its check file, and the CDN's documents, including the
/// program's current version so that the self-update finds nothing newer.
class InstalledGame : public vg::test::GameStartTest {
    std::string testRoots_;

public:
    InstalledGame() {
        vg::test::TestPki& pki = target_.Pki();
        testRoots_ =
            vg::test::ReadFile(sandbox_->CaFile()) + vg::test::ReadFile(pki.RootCertificate());
        RegisterInstallPath();
        ServeConfig(
            Section(R"(,"CheckCodeSignOption":true,"CodeSignName":["Varnugames Co., Ltd."])"));
        Serve(kCdnHost, "/live/" + target_.PublishedUpdateName() + ".version", VG_PRODUCT_VERSION);
        // A Windows image: the program starts it through $WINE, which is the recorder.
        const fs::path unsignedLauncher = dir_ / "launcher.unsigned";
        vg::test::WriteBinaryFile(unsignedLauncher, vg::test::BuildPeImage({}).bytes);
        pki.Sign(unsignedLauncher, installDir_ / "Launcher.exe", vg::test::TestSigner::kPublisher);
        vg::test::WriteFile(installDir_ / "data.pak", "game data");
    }

    void TestBody() override {}

    /// One trust file for both checks, the sandbox's TLS and the launcher's signature: the two
    /// test roots alone, as the tests have it, or after the system's roots, so that loading it
    /// costs what loading the default store costs on a player's machine.
    void WriteTrustFile(bool withSystemRoots) {
        const std::string systemRoots = withSystemRoots && fs::exists(kSystemRoots)
                                            ? vg::test::ReadFile(kSystemRoots)
                                            : std::string();
        vg::test::WriteFile(trustBundle_, systemRoots + testRoots_);
    }

    RunTimes RunOnce() {
        fs::remove(recordFile_);
        sandbox_->ClearRequests();
        const auto startedWall = std::chrono::system_clock::now();
        const auto started = Clock::now();
        const vg::test::ProcessResult result = target_.Finished(Start(gameUrl_)->Wait());
        const auto ended = Clock::now();

        RunTimes times;
        times.toExit = Milliseconds(ended - started).count();
        const std::optional<vg::test::LaunchRecord> record =
            vg::test::ReadLaunchRecord(recordFile_);
        if (!record || !record->monotonicNs) {
            times.fault = "the launcher was not started";
            return times;
        }
        const Clock::time_point launcherStarted{std::chrono::nanoseconds(*record->monotonicNs)};
        times.toLauncher = Milliseconds(launcherStarted - started).count();
        times.ownWork = times.toLauncher - kDialogWait.count();
        times.afterLaunch = times.toExit - times.toLauncher;
        // The shutdown's wait is a whole number of 2 s steps. It may begin a little before the
        // launcher enters main, and what follows it (the last sends, the process's end) takes a
        // few milliseconds on loopback, so the nearest whole step is the one it waited.
        times.queuedAtShutdown = std::lround(times.afterLaunch / kWaitPerQueuedRecord.count());
        times.shutdownRest = times.afterLaunch - static_cast<double>(times.queuedAtShutdown) *
                                                     kWaitPerQueuedRecord.count();

        std::size_t events = 0;
        for (const vg::sandbox::RecordedRequest& request : sandbox_->Requests()) {
            const double received = Milliseconds(request.time - startedWall).count();
            times.requests.emplace_back(received, Describe(request));
            if (request.host == kTelemetryHost) {
                ++events;
                times.lastEvent = std::max(times.lastEvent, received);
            }
        }
        if (result.exitCode != 0 || !result.err.empty() || !result.out.empty()) {
            times.fault =
                "exit " + std::to_string(result.exitCode) + ": " + result.err + result.out;
        } else if (events != kEventsOfAStart) {
            times.fault = "the collector received " + std::to_string(events) + " events, not " +
                          std::to_string(kEventsOfAStart);
        }
        return times;
    }
};

void PrintRow(const char* label, const RunTimes& times) {
    std::printf("%-8s %11.1f %10.1f %10.1f %11.1f %6ld %10.1f %10.1f\n", label, times.toLauncher,
                times.ownWork, times.toExit, times.afterLaunch, times.queuedAtShutdown,
                times.shutdownRest, times.lastEvent);
}

/// The value of one figure at `rank` among the runs sorted by that figure.
template <typename T>
T Ranked(const std::vector<RunTimes>& runs, T RunTimes::*figure, std::size_t rank) {
    std::vector<T> values;
    for (const RunTimes& run : runs) {
        values.push_back(run.*figure);
    }
    std::sort(values.begin(), values.end());
    return values[rank];
}

/// The median, minimum and maximum of each figure over the runs, figure by figure.
void PrintSummary(const std::vector<RunTimes>& runs) {
    const auto row = [&](const char* label, std::size_t rank) {
        RunTimes summary;
        summary.toLauncher = Ranked(runs, &RunTimes::toLauncher, rank);
        summary.ownWork = Ranked(runs, &RunTimes::ownWork, rank);
        summary.toExit = Ranked(runs, &RunTimes::toExit, rank);
        summary.afterLaunch = Ranked(runs, &RunTimes::afterLaunch, rank);
        summary.queuedAtShutdown = Ranked(runs, &RunTimes::queuedAtShutdown, rank);
        summary.shutdownRest = Ranked(runs, &RunTimes::shutdownRest, rank);
        summary.lastEvent = Ranked(runs, &RunTimes::lastEvent, rank);
        PrintRow(label, summary);
    };
    row("median", runs.size() / 2);
    row("min", 0);
    row("max", runs.size() - 1);
}

/// One run's requests and its launcher's start, on one time line.
void PrintTimeline(const RunTimes& run) {
    std::printf("\nThe run with the median own work, as the sandbox received its requests (ms from "
                "the program's\nstart; the clock of the requests is the wall clock, good to "
                "about 0.1 ms):\n");
    bool launcherShown = false;
    for (const auto& [received, what] : run.requests) {
        if (!launcherShown && received > run.toLauncher) {
            std::printf("  %8.1f  the launcher starts\n", run.toLauncher);
            launcherShown = true;
        }
        std::printf("  %8.1f  %s\n", received, what.c_str());
    }
    if (!launcherShown) {
        std::printf("  %8.1f  the launcher starts\n", run.toLauncher);
    }
    std::printf("  %8.1f  the program has ended\n", run.toExit);
}

void PrintLegend() {
    std::printf(
        "All times in ms from the moment the benchmark starts the program (fork and exec "
        "included).\n"
        "  to-launch   until the launcher (the recorder, started through $WINE) entered main\n"
        "  own-work    to-launch less the invisible dialog's 300 ms: the program's start, the "
        "self-update\n"
        "              check and the CDN documents over loopback TLS, registry, check files, "
        "signer check\n"
        "              and the launcher's start; goal under %.0f ms\n"
        "  to-exit     until the program had ended: to-launch, the DONE event and the telemetry "
        "shutdown\n"
        "  after       to-exit less to-launch\n"
        "  queued      records the shutdown found queued, each held for 2 s (after / 2000, to the "
        "nearest)\n"
        "  rest        after less queued x 2000: the last sends and the process's end, less the "
        "time the\n"
        "              shutdown began before the launcher entered main (so it can be a few ms "
        "below 0)\n"
        "  last-ev     when the collector received the run's last event\n",
        kOwnWorkGoalMs);
}

/// Runs the game start `runCount` times and prints each run, the summary and the timeline of
/// the run with the median own work; false when a run failed.
bool RunSeries(InstalledGame& game, int runCount) {
    std::printf("%-8s %11s %10s %10s %11s %6s %10s %10s\n", "run", "to-launch", "own-work",
                "to-exit", "after", "queued", "rest", "last-ev");
    std::vector<RunTimes> runs;
    for (int i = 0; i < runCount; ++i) {
        const RunTimes times = game.RunOnce();
        PrintRow(std::to_string(i + 1).c_str(), times);
        if (!times.fault.empty()) {
            std::printf("         run %d failed: %s\n", i + 1, times.fault.c_str());
            continue;
        }
        runs.push_back(times);
    }
    if (runs.empty()) {
        return false;
    }
    std::printf("\n");
    PrintSummary(runs);
    const double medianOwnWork = Ranked(runs, &RunTimes::ownWork, runs.size() / 2);
    PrintTimeline(*std::find_if(runs.begin(), runs.end(),
                                [&](const RunTimes& run) { return run.ownWork == medianOwnWork; }));
    std::printf("\nown work, median: %.1f ms (goal under %.0f ms on loopback: %s)\n", medianOwnWork,
                kOwnWorkGoalMs, medianOwnWork < kOwnWorkGoalMs ? "met" : "MISSED");
    return static_cast<int>(runs.size()) == runCount;
}

} // namespace

int main(int argc, char** argv) {
    const int runCount = argc > 1 ? std::atoi(argv[1]) : 20;
    if (runCount < 1) {
        std::fprintf(stderr, "usage: vg-bench-game-start [RUNS]\n");
        return 2;
    }
    try {
        if (vg::test::ProgramUnderTest::Get().IsWindows()) {
            std::fprintf(stderr, "vg-bench-game-start measures the Linux program only\n");
            return 2;
        }
        InstalledGame game;
        std::printf("Game start of an installed game, signer check on, sandbox on loopback: "
                    "%d runs of %s for each trust file\n\n",
                    runCount, game.target_.Starter().c_str());
        PrintLegend();
        bool allRan = true;
        for (const bool withSystemRoots : {false, true}) {
            game.WriteTrustFile(withSystemRoots);
            std::printf("\n== Trust file: %s\n\n",
                        withSystemRoots ? ("the system's roots (" + kSystemRoots.string() +
                                           ") and the two test roots")
                                              .c_str()
                                        : "the sandbox's CA and the code-signing test root only");
            allRan = RunSeries(game, runCount) && allRan;
        }
        return allRan ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vg-bench-game-start: %s\n", error.what());
        return 1;
    }
}
