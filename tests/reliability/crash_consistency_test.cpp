// The program killed at random moments of a download and of its self-update: what it leaves on
// disk is never a partial file where a complete one is expected, and the next run recovers.
#include "blackbox/game_start_fixture.h"
#include "reliability/crash_points.h"
#include "support/code_signing.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::microseconds;
using std::chrono::milliseconds;

const std::string kCdnHost = util::ToUtf8(deployment::kCdnHost);
constexpr std::string_view kPartSuffix = ".vgpart";
// The CI subset: kills per case. VG_CRASH_RUNS sets more by hand (scripts/crash-series).
constexpr int kCiRuns = 1;

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

/// A trickle that spreads `bytes` over about `duration`, in 20 pieces.
sandbox::Fault Trickled(std::uintmax_t bytes, milliseconds duration) {
    constexpr std::size_t kPieces = 20;
    return {.trickle =
                std::make_pair(static_cast<std::size_t>(bytes / kPieces) + 1, duration / kPieces)};
}

class CrashConsistencyTest : public GameStartTest {
public:
    CrashConsistencyTest() : series_(kCiRuns) {
        if (!target_.IsWindows()) {
            AdoptOrphans();
        }
        std::cout << "crash series seed " << series_.Seed() << " (VG_CRASH_SEED), "
                  << series_.Runs() << " kills (VG_CRASH_RUNS)\n";
        RecordProperty("seed", std::to_string(series_.Seed()));
    }

    ~CrashConsistencyTest() override {
        std::cout << "crash series: "
                  << testing::UnitTest::GetInstance()->current_test_info()->name()
                  << " seed=" << series_.Seed() << " kills=" << kills_ << " killed=" << killed_
                  << " ended-first=" << kills_ - killed_ << " deferred-updates=" << updatesDeferred_
                  << "\n";
    }

    /// Starts `program` with the launch URL and kills it at `point`; what it started may still
    /// run (Settle waits for that).
    KillOutcome StartAndKill(const fs::path& program, const fs::path& watched,
                             const KillPoint& point) {
        sandbox_->ClearRequests();
        FolderWatch watch(watched);
        const std::unique_ptr<ChildProcess> child =
            target_.Start(program, {gameUrl_}, Environment());
        KillOutcome outcome = KillAt(*child, watch, point);
        ++kills_;
        killed_ += outcome.killed ? 1 : 0;
        return outcome;
    }

    /// Waits until the programs a run started on its own have ended.
    void Settle() {
        if (target_.IsWindows()) {
            // A build started by a killed run may take the mutex only after the killed run
            // lost it: look twice.
            target_.WaitForInstanceLockToBeFree(runtimeDir_);
            std::this_thread::sleep_for(std::chrono::seconds(1));
            target_.WaitForInstanceLockToBeFree(runtimeDir_);
            return;
        }
        ASSERT_TRUE(WaitForAdoptedProcesses(std::chrono::seconds(30)));
    }

    CrashSeries series_;
    int kills_ = 0;           ///< runs started to be killed
    int killed_ = 0;          ///< of them, runs the kill ended (the others had ended first)
    int updatesDeferred_ = 0; ///< recovery runs that went on with the previous build
};

// ---------------------------------------------------------------------------------------------
// Downloads of a game start: the launcher with its check file, or the installer.

enum class Downloaded { kLauncherFiles, kInstaller };

struct DownloadCrashCase {
    const char* name;
    Downloaded downloaded;
    bool fromStart; ///< the kill counts from the start, else from the first partial file
};

void PrintTo(const DownloadCrashCase& c, std::ostream* os) {
    *os << c.name;
}

class DownloadCrashTest : public CrashConsistencyTest,
                          public testing::WithParamInterface<DownloadCrashCase> {
public:
    static constexpr milliseconds kDownloadTime{600};

    DownloadCrashTest() {
        ServeConfig(Section());
        const std::string recorder = ReadFile(target_.Recorder());
        // Large enough that its trickle holds many kill points.
        std::string data(256 * 1024, '\0');
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<char>('a' + i * 7 % 26);
        }
        if (GetParam().downloaded == Downloaded::kLauncherFiles) {
            RegisterInstallPath();
            folder_ = installDir_;
            Publish("/launcher/L.exe", "Launcher.exe", recorder);
            Publish("/launcher/data.pak", "data.pak", data);
        } else {
            folder_ = tempDir_;
            Publish("/setup/Setup.exe", "Setup.exe", recorder);
        }
        started_ = folder_ / (GetParam().downloaded == Downloaded::kLauncherFiles ? "Launcher.exe"
                                                                                  : "Setup.exe");
    }

    void Publish(const std::string& path, const std::string& localName, const std::string& bytes) {
        Serve(kDownloadHost, path, bytes);
        published_[path] = bytes.size();
        expected_[localName] = bytes;
    }

    void TrickleDownloads() {
        sandbox_->ClearFaults();
        for (const auto& [path, size] : published_) {
            sandbox_->AddFault(kDownloadHost, path, Trickled(size, kDownloadTime));
        }
    }

    /// Resets the folder to the state before the first download.
    void RemoveDownloads() {
        for (const std::string& name : Names(folder_)) {
            if (IsDownloadFile(name)) {
                fs::remove_all(folder_ / name);
            }
        }
        fs::remove(recordFile_);
    }

    /// A file the downloads write: an expected file or one of its partial files.
    bool IsDownloadFile(const std::string& name) const {
        return std::any_of(expected_.begin(), expected_.end(),
                           [&](const auto& file) { return name.rfind(file.first, 0) == 0; });
    }

    /// No expected file is partial; besides them there are only partial files.
    void ExpectNoPartialTargets() const {
        for (const std::string& name : Names(folder_)) {
            const auto expected = expected_.find(name);
            if (expected != expected_.end()) {
                EXPECT_TRUE(ReadFile(folder_ / name) == expected->second)
                    << name << " holds " << fs::file_size(folder_ / name) << " of "
                    << expected->second.size() << " bytes, or other bytes";
            } else if (IsDownloadFile(name)) {
                EXPECT_TRUE(EndsWith(name, kPartSuffix)) << "unexpected file " << name;
            }
        }
    }

    /// The next run, unhindered, completes the files and starts what it downloaded.
    void ExpectNextRunRecovers() {
        fs::remove(recordFile_);
        sandbox_->ClearFaults();
        const ProcessResult result = Run(gameUrl_);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::optional<StartedProgram> started = Started();
        ASSERT_TRUE(started.has_value()) << "nothing was started";
        EXPECT_EQ(fs::weakly_canonical(started->program), fs::weakly_canonical(started_));
        Settle();
        const std::vector<std::string> summary = EventSummary();
        ASSERT_FALSE(summary.empty());
        EXPECT_EQ(summary.back(), "DONE 00000000");
        for (const auto& [name, bytes] : expected_) {
            EXPECT_TRUE(ReadFile(folder_ / name) == bytes) << name << " is not the published file";
        }
        for (const std::string& name : Names(folder_)) {
            EXPECT_FALSE(IsDownloadFile(name) && EndsWith(name, kPartSuffix))
                << name << " was left behind";
        }
    }

    fs::path folder_;
    fs::path started_;
    std::map<std::string, std::uintmax_t> published_; ///< path on the download host: size
    std::map<std::string, std::string> expected_;     ///< local name: bytes
};

TEST_P(DownloadCrashTest, LeavesNoPartialFileAndTheNextRunRecovers) {
    // The first file downloaded is the one started in the end.
    const std::string anchor = started_.filename().string() + std::string(kPartSuffix);
    for (int run = 0; run < series_.Runs(); ++run) {
        RemoveDownloads();
        TrickleDownloads();
        // From the start, the kill may also land before the download or after the launch.
        const KillPoint point =
            GetParam().fromStart
                ? KillPoint{"", series_.DelayUpTo(kDownloadTime * 2)}
                : KillPoint{anchor, series_.DelayUpTo(kDownloadTime * expected_.size())};
        SCOPED_TRACE("kill " + std::to_string(run) + ": " + point.Describe() + ", seed " +
                     std::to_string(series_.Seed()));
        const KillOutcome outcome = StartAndKill(target_.Starter(), folder_, point);
        std::cout << "kill " << run << " " << point.Describe() << ": "
                  << (outcome.killed ? "killed" : "had ended") << ", left:";
        for (const std::string& name : Names(folder_)) {
            std::cout << " " << name;
        }
        std::cout << "\n";
        ExpectNoPartialTargets();
        // A late kill may have let the launcher start; it ends before the next run.
        Settle();
        ExpectNextRunRecovers();
        if (HasFailure()) {
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, DownloadCrashTest,
    testing::Values(DownloadCrashCase{"launcherFromStart", Downloaded::kLauncherFiles, true},
                    DownloadCrashCase{"launcherMidDownload", Downloaded::kLauncherFiles, false},
                    DownloadCrashCase{"installerMidDownload", Downloaded::kInstaller, false}),
    [](const auto& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------------------------------------
// The self-update: from the start to the hand-over to the new build.

struct SwapCrashCase {
    const char* name;
    /// The file whose appearance the kill counts from, after the program's name; "" for the
    /// start. ".ex_.vgpart": the package download began; ".ex_": the package is complete and is
    /// verified next, then swapped in; ".e__": the backup was made and the swap goes on.
    const char* anchorSuffix;
    microseconds linuxDelay;   ///< the longest delay after the anchor, Linux program
    microseconds windowsDelay; ///< the same under Wine, where each step takes longer
};

void PrintTo(const SwapCrashCase& c, std::ostream* os) {
    *os << c.name;
}

class SwapCrashTest : public CrashConsistencyTest,
                      public testing::WithParamInterface<SwapCrashCase> {
public:
    SwapCrashTest()
        : pki_(target_.Pki()), published_("/live/" + target_.PublishedUpdateName()),
          appDir_(dir_ / "app"), name_("Starter" + target_.ExecutableSuffix()),
          program_(appDir_ / name_) {
        fs::create_directories(appDir_);
        previous_ = ReadFile(target_.UpdateTestProgram());
        // The collector's TLS and the package signatures chain to different test roots.
        WriteFile(trustBundle_, ReadFile(trustBundle_) + ReadFile(pki_.RootCertificate()));
        Serve(kCdnHost, published_ + ".version", VG_NEXT_PRODUCT_VERSION);
        PublishSignedPackage();
        // An installed game: each run ends by starting its launcher.
        ServeConfig(Section());
        RegisterInstallPath();
        fs::copy_file(target_.Recorder(), installDir_ / "Launcher.exe");
        WriteFile(installDir_ / "data.pak", "game data");
    }

    /// The newer build, signed by the publisher inside (Windows) or beside it (Linux).
    void PublishSignedPackage() {
        const fs::path package = dir_ / "package.ex_";
        const std::string signatureSuffix = target_.UpdateSignatureSuffix();
        fs::copy_file(target_.NextUpdateTestProgram(), package);
        if (signatureSuffix.empty()) {
            pki_.Sign(target_.NextUpdateTestProgram(), package, TestSigner::kPublisher);
        } else {
            pki_.SignDetached(package, dir_ / "package.sig", TestSigner::kPublisher);
            ServeFile(kCdnHost, published_ + ".ex_" + signatureSuffix, dir_ / "package.sig");
        }
        ServeFile(kCdnHost, published_ + ".ex_", package);
        next_ = ReadFile(package);
    }

    /// The previous build alone in its folder, its package download trickled.
    void InstallPreviousBuild() {
        fs::remove_all(appDir_);
        fs::create_directories(appDir_);
        fs::copy_file(target_.UpdateTestProgram(), program_);
        sandbox_->ClearFaults();
        sandbox_->AddFault(kCdnHost, published_ + ".ex_", Trickled(next_.size(), kDownloadTime));
    }

    /// Which build a file holds, for messages.
    std::string Build(const fs::path& file) const {
        if (!fs::exists(file)) {
            return "nothing";
        }
        const std::string bytes = ReadFile(file);
        return bytes == previous_ ? "the previous build"
               : bytes == next_   ? "the new build"
                                  : std::to_string(bytes.size()) + " other bytes";
    }

    bool IsExecutable(const fs::path& file) const {
        return (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
    }

    /// Linux replaces the own path in one rename: it always holds a whole, runnable build.
    /// Windows moves the program aside and the package in: the own path or the backup does.
    void ExpectARunnableBuild() const {
        const fs::path backup = appDir_ / "Starter.e__";
        const fs::path package = appDir_ / "Starter.ex_";
        const std::string own = Build(program_);
        const bool ownIsWhole = own == "the previous build" || own == "the new build";
        if (target_.IsWindows()) {
            EXPECT_TRUE(ownIsWhole || Build(backup) == "the previous build")
                << "own path: " << own << ", backup: " << Build(backup);
            EXPECT_TRUE(own == "nothing" || ownIsWhole) << "own path: " << own;
        } else {
            EXPECT_TRUE(ownIsWhole) << "own path: " << own;
            EXPECT_TRUE(IsExecutable(program_)) << "the own path cannot be executed";
        }
        // The backup is the previous build; a package under its final name is whole.
        EXPECT_TRUE(!fs::exists(backup) || Build(backup) == "the previous build") << Build(backup);
        EXPECT_TRUE(!fs::exists(package) || Build(package) == "the new build") << Build(package);
    }

    /// The next runs from the own path end with the new build alone in the folder, and only the
    /// new build reports the run that installed it. A run that updates nothing goes on with the
    /// previous build and leaves the update to the next start: one such run is tolerated, and
    /// counted.
    void ExpectNextRunRecovers() {
        if (!fs::exists(program_)) {
            // Only the Windows swap can get here (checked above): the program is gone from its
            // path and its backup is all there is; no run can start from the own path.
            std::cout << "the own path is empty, the previous build waits as the backup: no "
                         "run can start from the own path\n";
            RecordProperty("own_path_left_empty", "true");
            return;
        }
        sandbox_->ClearFaults();
        for (int attempt = 1; attempt <= 2; ++attempt) {
            RunUnhindered();
            if (HasFatalFailure() || Build(program_) == "the new build") {
                break;
            }
            ++updatesDeferred_;
            std::cout << "recovery run " << attempt << " went on with the previous build\n";
        }
        EXPECT_EQ(Build(program_), "the new build");
        // The whole game start, up to DONE.
        const std::vector<ReceivedEvent> events = EventsOnceThereAre(8);
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0].actionCode, "START");
        for (const ReceivedEvent& event : events) {
            EXPECT_NE(event.document.find("\"version\":\"" VG_NEXT_PRODUCT_VERSION "\""),
                      std::string::npos)
                << event.document;
        }
        EXPECT_EQ(Names(appDir_), std::vector<std::string>{name_});
    }

    /// A run from the own path, and the run of the new build it may have started.
    void RunUnhindered() {
        const ProcessResult result = Run(gameUrl_, program_);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        Settle();
        EventsOnceThereAre(8);
        if (target_.IsWindows()) {
            target_.WaitForInstanceLockToBeFree(runtimeDir_);
        }
    }

    static constexpr milliseconds kDownloadTime{800};

    TestPki& pki_;
    std::string published_;
    fs::path appDir_;
    std::string name_;
    fs::path program_;
    std::string previous_;
    std::string next_;
};

TEST_P(SwapCrashTest, KeepsARunnableProgramAndTheNextRunRecovers) {
    const SwapCrashCase& c = GetParam();
    const microseconds longest = target_.IsWindows() ? c.windowsDelay : c.linuxDelay;
    for (int run = 0; run < series_.Runs(); ++run) {
        InstallPreviousBuild();
        const std::string anchor =
            *c.anchorSuffix == '\0' ? "" : "Starter" + std::string(c.anchorSuffix);
        const KillPoint point{anchor, series_.DelayUpTo(longest)};
        SCOPED_TRACE("kill " + std::to_string(run) + ": " + point.Describe() + ", seed " +
                     std::to_string(series_.Seed()));
        const KillOutcome outcome = StartAndKill(program_, appDir_, point);
        std::cout << "kill " << run << " " << point.Describe() << ": "
                  << (outcome.killed ? "killed" : "had ended") << ", own path " << Build(program_)
                  << ", backup " << Build(appDir_ / "Starter.e__") << "\n";
        ExpectARunnableBuild();
        // Once more after a new build that the killed run started has ended its own run.
        Settle();
        ExpectARunnableBuild();
        ExpectNextRunRecovers();
        if (HasFailure()) {
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Swap, SwapCrashTest,
    testing::Values(
        SwapCrashCase{"fromStart", "", microseconds(1'100'000), microseconds(6'000'000)},
        SwapCrashCase{"midDownload", ".ex_.vgpart", microseconds(900'000), microseconds(1'000'000)},
        SwapCrashCase{"afterDownload", ".ex_", microseconds(20'000), microseconds(100'000)},
        SwapCrashCase{"afterBackup", ".e__", microseconds(1'000), microseconds(100'000)}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace vg::test
