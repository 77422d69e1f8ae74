// CheckFileSigner on PE images made by the test PE writer and signed with osslsigncode at test
// time: the expected signer, names that differ, nested signers, and the files and certificates
// that a sound check refuses.
#include "platform/signature.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "support/code_signing.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"
#include "util/sha256.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vg::platform {
namespace {

namespace fs = std::filesystem;
using test::TestSigner;
using test::Wide;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kCertificateTableEntry = 4;

test::PeImage Image(test::PeKind kind = test::PeKind::kPe32) {
    test::PeImageSpec wanted;
    wanted.kind = kind;
    Bytes code(0x600, 0xCC);
    code[0] = 0xC3;
    wanted.sections = {{".text", code, test::kSectionCode}, {".data", Bytes(0x300, 0x5A)}};
    return test::BuildPeImage(wanted);
}

std::uint32_t Le32(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | (bytes[offset + 1] << 8) |
                                      (bytes[offset + 2] << 16)) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

Bytes ReadBytes(const fs::path& path) {
    const std::string text = test::ReadFile(path);
    return {text.begin(), text.end()};
}

class SignatureTest : public testing::Test {
protected:
    static void SetUpTestSuite() { test::SharedTestPki().TrustOnlyTestRoot(); }

    /// The image signed by `signer`, as a file of the scratch folder.
    fs::path Signed(TestSigner signer, const test::PeImage& image = Image(),
                    const std::string& digest = "sha256") {
        const fs::path in = NextPath("unsigned");
        const fs::path out = NextPath("signed");
        test::WriteBinaryFile(in, image.bytes);
        test::SharedTestPki().Sign(in, out, signer, digest);
        return out;
    }

    /// The image signed by `first`, with a nested signature by `second`.
    fs::path Nested(TestSigner first, TestSigner second) {
        const fs::path out = NextPath("nested");
        test::SharedTestPki().Sign(Signed(first), out, second, "sha256", true);
        return out;
    }

    fs::path NextPath(const std::string& what) {
        return dir_ / (what + std::to_string(++files_) + ".exe");
    }

    static std::uint32_t Check(const fs::path& path,
                               std::u16string_view name = test::kTestPublisherName) {
        return CheckFileSigner(Wide(path), name);
    }

    test::TempDir dir_;
    int files_ = 0;
};

TEST_F(SignatureTest, AcceptsTheExpectedSignerForEveryImageKindAndDigest) {
    for (const test::PeKind kind : {test::PeKind::kPe32, test::PeKind::kPe32Plus}) {
        for (const std::string digest : {"sha256", "sha1", "sha512"}) {
            SCOPED_TRACE(digest + (kind == test::PeKind::kPe32 ? " PE32" : " PE32+"));
            EXPECT_EQ(Check(Signed(TestSigner::kPublisher, Image(kind), digest)), 0u);
        }
    }
}

TEST_F(SignatureTest, ComparesTheWholeNameLetterCaseIncluded) {
    const fs::path file = Signed(TestSigner::kPublisher);
    const std::vector<std::pair<std::u16string, std::uint32_t>> cases = {
        {test::kTestPublisherName, 0},
        {u"varnugames co., ltd.", 1},
        {u"VARNUGAMES CO., LTD.", 1},
        {u"Varnugames Co., Ltd", 1}, // a leading part
        {u"Varnugames Co., Ltd. ", 1},
        {test::kTestPublisherOrganization, 1}, // the common name comes first
        {u"", 1},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(util::ToUtf8(name));
        EXPECT_EQ(Check(file, name), expected);
    }
}

TEST_F(SignatureTest, ComparesOnlyTheFirstSigner) {
    const fs::path publisherFirst = Nested(TestSigner::kPublisher, TestSigner::kOther);
    EXPECT_EQ(Check(publisherFirst, test::kTestPublisherName), 0u);
    EXPECT_EQ(Check(publisherFirst, test::kTestOtherName), 1u);

    const fs::path otherFirst = Nested(TestSigner::kOther, TestSigner::kPublisher);
    EXPECT_EQ(Check(otherFirst, test::kTestPublisherName), 1u);
    EXPECT_EQ(Check(otherFirst, test::kTestOtherName), 0u);

    // A nested signature neither harms a sound first signature nor mends an untrusted one.
    EXPECT_EQ(Check(Nested(TestSigner::kPublisher, TestSigner::kSelfSigned)), 0u);
    EXPECT_EQ(Check(Nested(TestSigner::kSelfSigned, TestSigner::kPublisher)), kCertEUntrustedRoot);
}

TEST_F(SignatureTest, NamesACertificateByItsOrganizationWhenThatIsItsOnlyName) {
    EXPECT_EQ(Check(Signed(TestSigner::kOrganizationOnly), test::kTestPublisherOrganization), 0u);
}

TEST_F(SignatureTest, AcceptsAnExpiredCertificate) {
    EXPECT_EQ(Check(Signed(TestSigner::kExpired)), 0u);
}

TEST_F(SignatureTest, RefusesCertificatesNotTrustedForCodeSigning) {
    const std::vector<std::pair<TestSigner, std::uint32_t>> cases = {
        {TestSigner::kSelfSigned, kCertEUntrustedRoot},
        {TestSigner::kServerAuthOnly, kCertEWrongUsage},
    };
    for (const auto& [signer, expected] : cases) {
        SCOPED_TRACE(static_cast<int>(signer));
        EXPECT_EQ(Check(Signed(signer)), expected);
        EXPECT_EQ(GetLastError(), expected);
    }
}

TEST_F(SignatureTest, TrustsOnlyRootsOfTheTrustStore) {
    const fs::path file = Signed(TestSigner::kPublisher);
    test::WriteFile(dir_ / "no-roots.pem", "");
    ::setenv("SSL_CERT_FILE", (dir_ / "no-roots.pem").c_str(), 1);
    EXPECT_EQ(Check(file), kCertEUntrustedRoot);
    test::SharedTestPki().TrustOnlyTestRoot();
    EXPECT_EQ(Check(file), 0u);
}

TEST_F(SignatureTest, RefusesAFileChangedAfterSigning) {
    const test::PeImage image = Image();
    const Bytes signedBytes = ReadBytes(Signed(TestSigner::kPublisher, image));
    const std::size_t entry = image.layout.dataDirectoriesOffset + 8 * kCertificateTableEntry;
    const std::size_t table = Le32(signedBytes, entry);
    // The SignedData is one DER SEQUENCE with a two-byte length; the signer's signature is its
    // last element, as the signature has no unauthenticated attributes.
    ASSERT_EQ(signedBytes[table + 8], 0x30);
    ASSERT_EQ(signedBytes[table + 9], 0x82);
    const std::size_t signedDataEnd =
        table + 8 + 4 + ((std::size_t{signedBytes[table + 10]} << 8) | signedBytes[table + 11]);

    struct Damage {
        const char* what;
        std::function<void(Bytes&)> apply;
        std::uint32_t expected;
    };
    const std::vector<Damage> cases = {
        {"a byte of code", [&](Bytes& b) { b[image.layout.sectionFileOffsets[0] + 0x10] ^= 1; },
         kTrustEBadDigest},
        {"a header byte", [&](Bytes& b) { b[image.layout.optionalHeaderOffset + 68] ^= 1; },
         kTrustEBadDigest},
        {"the signer's signature", [&](Bytes& b) { b[signedDataEnd - 1] ^= 1; }, kTrustEBadDigest},
        {"the checksum field, which no digest covers",
         [&](Bytes& b) { test::StoreLe32(b, image.layout.checkSumOffset, 0x1234); }, 0},
        {"a certificate table reaching past the file",
         [&](Bytes& b) { test::StoreLe32(b, entry + 4, Le32(b, entry + 4) + 8); },
         kTrustESubjectFormUnknown},
        {"bytes after the signature", [](Bytes& b) { b.insert(b.end(), 8, 0); },
         kTrustENoSignature},
    };
    for (const Damage& damage : cases) {
        SCOPED_TRACE(damage.what);
        Bytes bytes = signedBytes;
        damage.apply(bytes);
        const fs::path file = NextPath("damaged");
        test::WriteBinaryFile(file, bytes);
        EXPECT_EQ(Check(file), damage.expected);
    }
}

// The Authenticode image digest, taken by the test's own SHA-256 over the file without the
// checksum field, the certificate-table entry and the table.
std::array<std::uint8_t, 32> ImageDigest(const Bytes& bytes, const test::PeImageLayout& layout) {
    const std::size_t checkSum = layout.checkSumOffset;
    const std::size_t entry = layout.dataDirectoriesOffset + 8 * kCertificateTableEntry;
    const std::size_t table = Le32(bytes, entry);
    util::Sha256 digest;
    digest.Update(bytes.data(), checkSum);
    digest.Update(bytes.data() + checkSum + 4, entry - checkSum - 4);
    digest.Update(bytes.data() + entry + 8, table - entry - 8);
    return digest.Digest();
}

TEST_F(SignatureTest, RefusesAChangedFileWhoseSignedImageDigestWasRewritten) {
    const test::PeImage image = Image();
    Bytes bytes = ReadBytes(Signed(TestSigner::kPublisher, image));
    const std::array<std::uint8_t, 32> signedDigest = ImageDigest(bytes, image.layout);
    bytes[image.layout.sectionFileOffsets[0] + 0x10] ^= 1;
    const std::array<std::uint8_t, 32> changedDigest = ImageDigest(bytes, image.layout);
    // The SpcIndirectDataContent now matches the file; the messageDigest attribute, which the
    // signer signed, still holds the digest of the old content.
    const auto found =
        std::search(bytes.begin(), bytes.end(), signedDigest.begin(), signedDigest.end());
    ASSERT_NE(found, bytes.end());
    std::copy(changedDigest.begin(), changedDigest.end(), found);
    const fs::path file = NextPath("rewritten");
    test::WriteBinaryFile(file, bytes);
    EXPECT_EQ(Check(file), kTrustEBadDigest);
}

TEST_F(SignatureTest, ReportsFilesWithoutASignature) {
    test::WriteBinaryFile(dir_ / "unsigned.exe", Image().bytes);
    test::WriteFile(dir_ / "text.exe", "This is not a program.\n");
    test::WriteFile(dir_ / "empty.exe", "");
    const std::vector<std::pair<std::string, std::uint32_t>> cases = {
        {"unsigned.exe", kTrustENoSignature},
        {"text.exe", kTrustESubjectFormUnknown},
        {"empty.exe", kTrustESubjectFormUnknown},
        {"missing.exe", kErrorFileNotFound},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Check(dir_ / name), expected);
        EXPECT_EQ(GetLastError(), expected);
    }
}

} // namespace
} // namespace vg::platform
