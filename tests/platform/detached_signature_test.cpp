// CheckDetachedSignature on files signed with "openssl cms" at test time: the expected signer,
// another name, and the signatures and certificates that a sound check refuses.
#include "platform/detached_signature.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "support/code_signing.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace vg::platform {
namespace {

namespace fs = std::filesystem;
using test::TestSigner;
using test::Wide;

struct DetachedCase {
    const char* name;
    std::optional<TestSigner> signer; ///< no signature file when empty
    bool changedAfterSigning;
    std::uint32_t expected;
};

class DetachedSignatureTest : public testing::TestWithParam<DetachedCase> {
protected:
    void SetUp() override { test::SharedTestPki().TrustOnlyTestRoot(); }

    test::TempDir dir_;
};

TEST_P(DetachedSignatureTest, ChecksTheFileAndItsSigner) {
    const DetachedCase& c = GetParam();
    const fs::path file = dir_ / "package.ex_";
    const fs::path signature = dir_ / "package.ex_.p7s";
    test::WriteFile(file, std::string("\x7F"
                                      "ELF package bytes\0\r\n",
                                      21));
    if (c.signer) {
        test::SharedTestPki().SignDetached(file, signature, *c.signer);
    }
    if (c.changedAfterSigning) {
        test::WriteFile(file, test::ReadFile(file) + "!");
    }
    const std::uint32_t result =
        CheckDetachedSignature(Wide(file), Wide(signature), test::kTestPublisherName);
    EXPECT_EQ(result, c.expected) << std::hex << result;
    if (result > 1) {
        EXPECT_EQ(GetLastError(), result);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DetachedSignatureTest,
    testing::Values(
        DetachedCase{"Publisher", TestSigner::kPublisher, false, kErrorSuccess},
        // Expiry does not decide.
        DetachedCase{"Expired", TestSigner::kExpired, false, kErrorSuccess},
        DetachedCase{"OtherName", TestSigner::kOther, false, 1},
        DetachedCase{"NoSignatureFile", std::nullopt, false, kTrustENoSignature},
        DetachedCase{"ChangedAfterSigning", TestSigner::kPublisher, true, kTrustEBadDigest},
        DetachedCase{"SelfSigned", TestSigner::kSelfSigned, false, kCertEUntrustedRoot},
        DetachedCase{"ServerAuthOnly", TestSigner::kServerAuthOnly, false, kCertEWrongUsage}),
    [](const testing::TestParamInfo<DetachedCase>& param) { return param.param.name; });

TEST(DetachedSignatureFiles, RefusesAMissingFileAndASignatureThatIsNoCms) {
    test::SharedTestPki().TrustOnlyTestRoot();
    const test::TempDir dir;
    const fs::path file = dir / "package.ex_";
    test::WriteFile(file, "bytes");
    EXPECT_EQ(CheckDetachedSignature(Wide(dir / "missing"), Wide(file), u"x"), kErrorFileNotFound);
    test::WriteFile(dir / "garbage.p7s", std::string(64, '\x30'));
    EXPECT_EQ(
        CheckDetachedSignature(Wide(file), Wide(dir / "garbage.p7s"), test::kTestPublisherName),
        kTrustENoSignature);
}

} // namespace
} // namespace vg::platform
