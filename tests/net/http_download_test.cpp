// Downloads against the sandbox over real TLS: the attempts, the Range request, faults in the
// middle of a body, and the rule that the target never holds a partial file.
#include "net/http_download.h"

#include "net/sandbox_fixture.h"
#include "platform/error_codes.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <random>

namespace vg::net {
namespace {

using test::kDownload;
using test::ReadFile;

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(42);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

class HttpDownloadTest : public test::SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        Serve(kDownload, "/game/Setup.exe", content_);
    }

    std::uint32_t Download(const std::string& localName, int resume = 0,
                           std::uint64_t expected = 0) {
        target_ = dir_ / localName;
        return HttpDownloadFile(util::FromUtf8(kDownload + "/game/"), u"Setup.exe",
                                util::FromUtf8(target_.string()), expected, resume);
    }

    [[nodiscard]] bool NoPartialFileLeft() const {
        return !std::filesystem::exists(target_.string() + ".vgpart");
    }

    std::vector<sandbox::RecordedRequest> Gets() const { return sandbox_->Requests(); }

    const std::string content_ = RandomBytes(3 * 1024 * 1024 + 17);
    std::filesystem::path target_;
};

TEST_F(HttpDownloadTest, DownloadsWithALengthQueryAndARangeIntoNewFolders) {
    ASSERT_EQ(Download("deep/er/still/Setup.exe"), 0u);
    EXPECT_EQ(ReadFile(target_), content_);
    EXPECT_TRUE(NoPartialFileLeft());
    const auto requests = Gets();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/game/Setup.exe");
    EXPECT_EQ(requests[0].Header("range"), "");
    EXPECT_EQ(requests[1].Header("range"), "bytes=0-" + std::to_string(content_.size() - 1));
    EXPECT_EQ(requests[1].Header("cache-control"), "no-cache");
    EXPECT_TRUE(AllRequestsWereSecure());
}

TEST_F(HttpDownloadTest, ReplacesAnOldFileAndALeftoverPartialFile) {
    test::WriteFile(dir_ / "Setup.exe", "old version");
    test::WriteFile(dir_ / "Setup.exe.vgpart", "left by a killed run");
    ASSERT_EQ(Download("Setup.exe"), 0u);
    EXPECT_EQ(ReadFile(target_), content_);
    EXPECT_TRUE(NoPartialFileLeft());
}

TEST_F(HttpDownloadTest, SucceedsOnTheFourthAttemptAndNeverFallsBackToPlainHttp) {
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.status = 503, .times = 3});
    ASSERT_EQ(Download("Setup.exe"), 0u);
    EXPECT_EQ(ReadFile(target_), content_);
    EXPECT_EQ(Gets().size(), 5u); // three refused length queries, then the query and the body
    EXPECT_TRUE(AllRequestsWereSecure());
}

TEST_F(HttpDownloadTest, FourFailedAttemptsReturnTheLastResult) {
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.noContentLength = true});
    EXPECT_EQ(Download("Setup.exe"), platform::kErrorHttpHeaderNotFound);
    EXPECT_EQ(Gets().size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(target_));
    EXPECT_TRUE(AllRequestsWereSecure());

    sandbox_->ClearFaults();
    sandbox_->ClearRequests();
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.status = 404});
    EXPECT_EQ(Download("Setup.exe"), 404u);
    EXPECT_FALSE(std::filesystem::exists(target_));

    // A length that cannot be one is refused before anything is allocated or written.
    sandbox_->ClearFaults();
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.rawContentLength = "-5"});
    EXPECT_EQ(Download("Setup.exe"), platform::kErrorHttpInvalidServerResponse);
    EXPECT_FALSE(std::filesystem::exists(target_));
}

TEST_F(HttpDownloadTest, BrokenBodiesFailTheAttemptAndLeaveNothingBehind) {
    const std::vector<std::pair<const char*, sandbox::Fault>> faults = {
        {"drop in the middle", {.dropAfterBytes = 1000000}},
        {"shorter than announced", {.extraBytes = -100}},
        {"longer than announced", {.extraBytes = 100}},
    };
    for (const auto& [what, fault] : faults) {
        sandbox_->ClearFaults();
        sandbox_->AddFault(kDownload, "/game/Setup.exe", fault);
        testing::internal::CaptureStdout();
        EXPECT_EQ(Download("Setup.exe"), 1u) << what;
        const std::string diagnostics = testing::internal::GetCapturedStdout();
        EXPECT_NE(diagnostics.find("Data not available. 12030"), std::string::npos)
            << what << ": " << diagnostics;
        EXPECT_FALSE(std::filesystem::exists(target_)) << what;
        EXPECT_TRUE(NoPartialFileLeft()) << what;
    }
    EXPECT_TRUE(AllRequestsWereSecure());
}

TEST_F(HttpDownloadTest, RecoversFromADropOnTheNextAttempt) {
    // The length query and the first body both match; the second body is whole.
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.dropAfterBytes = 5000, .times = 2});
    testing::internal::CaptureStdout();
    ASSERT_EQ(Download("Setup.exe"), 0u);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFile(target_), content_);
    EXPECT_EQ(Gets().size(), 3u);
}

TEST_F(HttpDownloadTest, EmptyFileAsksForByteZeroAndEndsEmpty) {
    Serve(kDownload, "/game/Setup.exe", "");
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.ignoreRange = true});
    ASSERT_EQ(Download("Setup.exe"), 0u);
    EXPECT_TRUE(std::filesystem::exists(target_));
    EXPECT_EQ(std::filesystem::file_size(target_), 0u);
    EXPECT_EQ(Gets().back().Header("range"), "bytes=0-0");
}

TEST_F(HttpDownloadTest, ResumeAppendsTheRestOrStartsOverWhenTheServerSendsItAll) {
    const std::string head = content_.substr(0, 1000);
    test::WriteFile(dir_ / "Setup.exe", head);
    ASSERT_EQ(Download("Setup.exe", 1, content_.size()), 0u);
    EXPECT_EQ(ReadFile(target_), content_);
    EXPECT_EQ(Gets().back().Header("range"), "bytes=1000-" + std::to_string(content_.size() - 1));

    // A server that ignores the range sends the whole file; it is not appended to the head.
    test::WriteFile(dir_ / "Setup.exe", head);
    sandbox_->AddFault(kDownload, "/game/Setup.exe", {.ignoreRange = true});
    ASSERT_EQ(Download("Setup.exe", 1, content_.size()), 0u);
    EXPECT_EQ(ReadFile(target_), content_);
}

} // namespace
} // namespace vg::net
