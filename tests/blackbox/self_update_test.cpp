// The built program replaces itself with a newer build that the CDN publishes, and only with a
// newer one that the publisher signed; every other outcome leaves it in place and the run goes on.
#include "blackbox/game_start_fixture.h"
#include "support/code_signing.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

const std::string kCdnHost = util::ToUtf8(deployment::kCdnHost);

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
    SelfUpdateTest()
        : pki_(target_.Pki()), published_("/live/" + target_.PublishedUpdateName()),
          appDir_(dir_ / "app"), program_(appDir_ / ("Starter" + target_.ExecutableSuffix())) {
        fs::create_directories(appDir_);
        fs::copy_file(target_.UpdateTestProgram(), program_);
        original_ = ReadFile(program_);
        // The collector's TLS and the package signatures chain to different test roots.
        WriteFile(trustBundle_, ReadFile(trustBundle_) + ReadFile(pki_.RootCertificate()));
    }

    void PublishVersion(const std::string& text) { Serve(kCdnHost, published_ + ".version", text); }

    /// Publishes `program` as the package, signed by `signer` unless `signer` is empty (with
    /// a signature inside it or beside it, as the target's packages are signed); with `tamper`
    /// a byte is added after signing.
    void PublishPackage(const fs::path& program, std::optional<TestSigner> signer,
                        bool tamper = false) {
        const fs::path package = dir_ / "package.ex_";
        const std::string signatureSuffix = target_.UpdateSignatureSuffix();
        fs::copy_file(program, package, fs::copy_options::overwrite_existing);
        if (signer && signatureSuffix.empty()) {
            pki_.Sign(program, package, *signer);
        } else if (signer) {
            pki_.SignDetached(package, dir_ / "package.sig", *signer);
            ServeFile(kCdnHost, published_ + ".ex_" + signatureSuffix, dir_ / "package.sig");
        }
        if (tamper) {
            WriteFile(package, ReadFile(package) + "x");
        }
        ServeFile(kCdnHost, published_ + ".ex_", package);
    }

    ProcessResult RunCopy() { return Run(gameUrl_, program_); }

    /// Waits for a run's START and SELFUPDATE (a started new build sends them after the test's
    /// own child has ended) and checks that every event came from the build of `version`.
    void ExpectRunReportedBy(const std::string& version) {
        const std::vector<ReceivedEvent> events = EventsOnceThereAre(2);
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

    fs::path Beside(const std::string& suffix) const { return appDir_ / ("Starter" + suffix); }

    /// The program is the one copied in, nothing else is beside it, and the run went on.
    void ExpectRunWentOnUnchanged(bool packageStays = false) {
        EXPECT_EQ(ReadFile(program_), original_);
        EXPECT_EQ(fs::exists(Beside(".ex_")), packageStays);
        EXPECT_FALSE(fs::exists(Beside(".ex_.p7s")));
        ExpectRunReportedBy(VG_PRODUCT_VERSION);
    }

    TestPki& pki_;
    std::string published_;
    fs::path appDir_;
    fs::path program_;
    std::string original_;
};

TEST_F(SelfUpdateTest, InstallsAndStartsANewerSignedBuild) {
    PublishVersion(VG_NEXT_PRODUCT_VERSION);
    const fs::path next = target_.NextUpdateTestProgram();
    PublishPackage(next, TestSigner::kPublisher);
    const ProcessResult result = RunCopy();
    EXPECT_EQ(result.exitCode, 0);
    // Only the new build reports the run.
    ExpectRunReportedBy(VG_NEXT_PRODUCT_VERSION);
    // The new build ends its run before the test looks at the files it deleted.
    target_.WaitForInstanceLockToBeFree(runtimeDir_);
    EXPECT_EQ(ReadFile(program_), ReadFile(dir_ / "package.ex_"));
    // Only Linux keeps an execute permission that the swap must carry over.
    if (!target_.IsWindows()) {
        EXPECT_TRUE(fs::status(program_).permissions() ==
                    fs::status(target_.UpdateTestProgram()).permissions());
    }
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
        PublishPackage(target_.NextUpdateTestProgram(), TestSigner::kPublisher);
        break;
    case Publication::kSameVersion:
        PublishVersion(WithCommasAndBlanks(VG_PRODUCT_VERSION));
        PublishPackage(target_.NextUpdateTestProgram(), TestSigner::kPublisher);
        break;
    case Publication::kNoPackage:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        break;
    case Publication::kUnsigned:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(target_.NextUpdateTestProgram(), std::nullopt);
        break;
    case Publication::kOtherSigner:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(target_.NextUpdateTestProgram(), TestSigner::kOther);
        break;
    case Publication::kChangedAfterSigning:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(target_.NextUpdateTestProgram(), TestSigner::kPublisher, true);
        break;
    case Publication::kNotNewerInside:
        PublishVersion(VG_NEXT_PRODUCT_VERSION);
        PublishPackage(target_.UpdateTestProgram(), TestSigner::kPublisher);
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
    PublishPackage(target_.NextUpdateTestProgram(), TestSigner::kPublisher);
    EXPECT_EQ(RunCopy().exitCode, 0);
    // The verified package stays for the next start.
    ExpectRunWentOnUnchanged(true);
    EXPECT_EQ(ReadFile(Beside(".ex_")), ReadFile(dir_ / "package.ex_"));
}

} // namespace
} // namespace vg::test
