// The built program replaces itself with a newer build that the CDN publishes, and only with a
// newer one that the publisher signed; every other outcome leaves it in place and the run goes on.
#include "blackbox/game_start_fixture.h"
#include "support/code_signing.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

const std::string kCdnHost = util::ToUtf8(deployment::kCdnHost);
const std::string kPublished = "/live/VarnugamesStarter_v2.linux-x86_64";

// "1.0.0.1" as " 1, 0, 0, 1 ", which reads as the same version.
std::string WithCommasAndBlanks(const std::string& version) {
    std::string text = " ";
    for (const char c : version) {
        text += c == '.' ? std::string(", ") : std::string(1, c);
    }
    return text + " ";
}

class SelfUpdateTest : public GameStartTest {
public:
    SelfUpdateTest() : pki_(SharedTestPki()), appDir_(dir_ / "app"), program_(appDir_ / "Starter") {
        fs::create_directories(appDir_);
        fs::copy_file(VG_UPDATE_TEST_PROGRAM, program_);
        original_ = ReadFile(program_);
        // The collector's TLS and the package signatures chain to different test roots.
        WriteFile(trustBundle_, ReadFile(trustBundle_) + ReadFile(pki_.RootCertificate()));
    }

    void PublishVersion(const std::string& text) { Serve(kCdnHost, kPublished + ".version", text); }

    /// Publishes `program` as the package, signed by `signer` unless `signer` is empty; with
    /// `tamper` a byte is added after signing.
    void PublishPackage(const fs::path& program, std::optional<TestSigner> signer,
                        bool tamper = false) {
        const fs::path package = dir_ / "package.ex_";
        fs::copy_file(program, package, fs::copy_options::overwrite_existing);
        if (signer) {
            pki_.SignDetached(package, dir_ / "package.p7s", *signer);
            ServeFile(kCdnHost, kPublished + ".ex_.p7s", dir_ / "package.p7s");
        }
        if (tamper) {
            WriteFile(package, ReadFile(package) + "x");
        }
        ServeFile(kCdnHost, kPublished + ".ex_", package);
    }

    ProcessResult RunCopy() { return Run(gameUrl_, program_.string()); }

    /// Waits for a run's START and SELFUPDATE (a started new build sends them after the test's
    /// own child has ended) and checks that every event came from the build of `version`.
    void ExpectRunReportedBy(const std::string& version) {
        for (int i = 0; i < 300 && Events().size() < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const std::vector<ReceivedEvent> events = Events();
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0].actionCode, "START");
        EXPECT_EQ(events[1].actionCode, "SELFUPDATE");
        for (const ReceivedEvent& event : events) {
            EXPECT_NE(event.document.find("\"version\":\"" + version + "\""), std::string::npos)
                << event.document;
            // The same launch URL: its mid is "m1".
            EXPECT_NE(event.document.find("\"mid\":\"m1\""), std::string::npos) << event.document;
        }
    }

    /// Waits until no run holds the single-instance lock, so a started build has ended.
    void WaitForRunsToEnd() const {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir_ / "run")) {
            const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            for (int i = 0; i < 300 && ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            ::close(fd);
        }
    }

    fs::path Beside(const std::string& suffix) const { return appDir_ / ("Starter" + suffix); }

    /// The program is the one copied in, nothing else is beside it, and the run went on.
    void ExpectRunWentOnUnchanged(bool packageStays = false) {
        EXPECT_EQ(ReadFile(program_), original_);
        EXPECT_EQ(fs::exists(Beside(".ex_")), packageStays);
        EXPECT_FALSE(fs::exists(Beside(".ex_.p7s")));
        ExpectRunReportedBy(VG_PRODUCT_VERSION);
    }

    TestPki& pki_;
    fs::path appDir_;
    fs::path program_;
    std::string original_;
};

TEST_F(SelfUpdateTest, InstallsAndStartsANewerSignedBuild) {
    PublishVersion(VG_NEXT_PRODUCT_VERSION);
    PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, TestSigner::kPublisher);
    const ProcessResult result = RunCopy();
    EXPECT_EQ(result.exitCode, 0);
    // Only the new build reports the run.
    ExpectRunReportedBy(VG_NEXT_PRODUCT_VERSION);
    WaitForRunsToEnd();
    EXPECT_EQ(ReadFile(program_), ReadFile(VG_UPDATE_TEST_PROGRAM_NEXT));
    EXPECT_TRUE(fs::status(program_).permissions() ==
                fs::status(VG_UPDATE_TEST_PROGRAM).permissions());
    EXPECT_FALSE(fs::exists(Beside(".ex_")));
    EXPECT_FALSE(fs::exists(Beside(".ex_.p7s")));
    // The new build's own run deleted the backup of the previous one.
    EXPECT_FALSE(fs::exists(Beside(".e__")));
}

enum class Publication {
    kNothing,
    kHtmlPage,
    kSameVersion,
    kNoPackage,
    kUnsigned,
    kOtherSigner,
    kChangedAfterSigning,
    kNotNewerInside,
};

class RefusedUpdateTest : public SelfUpdateTest, public testing::WithParamInterface<Publication> {};

TEST_P(RefusedUpdateTest, LeavesTheProgramAndGoesOn) {
    switch (GetParam()) {
    case Publication::kNothing:
        break;
    case Publication::kHtmlPage:
        PublishVersion("<html><body>" VG_NEXT_PRODUCT_VERSION "</body></html>");
        PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, TestSigner::kPublisher);
        break;
    case Publication::kSameVersion:
        PublishVersion(WithCommasAndBlanks(VG_PRODUCT_VERSION));
        PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, TestSigner::kPublisher);
        break;
    case Publication::kNoPackage:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        break;
    case Publication::kUnsigned:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, std::nullopt);
        break;
    case Publication::kOtherSigner:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, TestSigner::kOther);
        break;
    case Publication::kChangedAfterSigning:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, TestSigner::kPublisher, true);
        break;
    case Publication::kNotNewerInside:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(VG_UPDATE_TEST_PROGRAM, TestSigner::kPublisher);
        break;
    }
    EXPECT_EQ(RunCopy().exitCode, 0);
    ExpectRunWentOnUnchanged();
    EXPECT_FALSE(fs::exists(Beside(".e__")));
}

INSTANTIATE_TEST_SUITE_P(Publications, RefusedUpdateTest,
                         testing::Values(Publication::kNothing, Publication::kHtmlPage,
                                         Publication::kSameVersion, Publication::kNoPackage,
                                         Publication::kUnsigned, Publication::kOtherSigner,
                                         Publication::kChangedAfterSigning,
                                         Publication::kNotNewerInside));

struct BackupName {
    const char* program;
    const char* backup;
};

class LeftoverBackupTest : public SelfUpdateTest, public testing::WithParamInterface<BackupName> {};

// Only a lower-case ".exe" is taken off the program's name before ".e__" is added.
TEST_P(LeftoverBackupTest, IsDeletedByTheNextRun) {
    const fs::path renamed = appDir_ / GetParam().program;
    fs::rename(program_, renamed);
    program_ = renamed;
    WriteFile(appDir_ / GetParam().backup, "previous build");
    EXPECT_EQ(RunCopy().exitCode, 0);
    EXPECT_FALSE(fs::exists(appDir_ / GetParam().backup));
    EXPECT_EQ(ReadFile(program_), original_);
    ExpectRunReportedBy(VG_PRODUCT_VERSION);
}

INSTANTIATE_TEST_SUITE_P(Names, LeftoverBackupTest,
                         testing::Values(BackupName{"Starter", "Starter.e__"},
                                         BackupName{"Starter.exe", "Starter.e__"},
                                         BackupName{"Starter.EXE", "Starter.EXE.e__"}));

TEST_F(SelfUpdateTest, ABackupThatCannotBeMadeKeepsTheProgram) {
    // A folder at the backup's name can be neither deleted as a file nor replaced.
    fs::create_directories(Beside(".e__") / "in-the-way");
    PublishVersion(VG_NEXT_PRODUCT_VERSION);
    PublishPackage(VG_UPDATE_TEST_PROGRAM_NEXT, TestSigner::kPublisher);
    EXPECT_EQ(RunCopy().exitCode, 0);
    // The verified package stays for the next start.
    ExpectRunWentOnUnchanged(true);
    EXPECT_EQ(ReadFile(Beside(".ex_")), ReadFile(VG_UPDATE_TEST_PROGRAM_NEXT));
}

} // namespace
} // namespace vg::test
