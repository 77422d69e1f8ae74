// The Authenticode layout read from hand-made bytes: the certificate table's checks, the walk
// over its WIN_CERTIFICATE entries, the image digest's ranges, the SignedData's padding, the
// SpcIndirectDataContent and the reading in bounded pieces.
#include "platform/posix/authenticode.h"

#include "platform/error_codes.h"
#include "support/pe_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace vg::platform::posix {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A DER element with a definite length in the shortest form.
Bytes Der(std::uint8_t tag, const Bytes& content) {
    Bytes element{tag};
    if (content.size() < 0x80) {
        element.push_back(static_cast<std::uint8_t>(content.size()));
    } else {
        element.insert(element.end(), {0x82, static_cast<std::uint8_t>(content.size() >> 8),
                                       static_cast<std::uint8_t>(content.size() & 0xFF)});
    }
    return Concat({element, content});
}

// A WIN_CERTIFICATE of `length` bytes (header included), padded to 8 bytes.
Bytes WinCertificate(std::uint32_t length, std::uint16_t revision, std::uint16_t type) {
    Bytes entry(std::max<std::size_t>((length + 7) / 8 * 8, 8), 0xAB);
    test::StoreLe32(entry, 0, length);
    test::StoreLe32(entry, 4, static_cast<std::uint32_t>(revision | (type << 16)));
    return entry;
}

Bytes SignedDataEntry(std::uint32_t length) {
    return WinCertificate(length, kWinCertRevision2, kWinCertTypePkcsSignedData);
}

Bytes WithLength(Bytes entry, std::uint32_t length) {
    test::StoreLe32(entry, 0, length);
    return entry;
}

Bytes Unpadded(Bytes entry, std::size_t length) {
    entry.resize(length);
    return entry;
}

TEST(CertificateTableTest, AcceptsOnlyAnAlignedTableThatEndsTheFile) {
    constexpr std::uint64_t kEntry = 0x128; // the directory entry ends at 0x130
    constexpr std::uint64_t kFarOff = std::numeric_limits<std::uint64_t>::max() - 7;
    struct Case {
        const char* what;
        ByteRange table;
        std::uint64_t fileSize;
        std::uint32_t expected;
    };
    const std::vector<Case> cases = {
        {"ending the file", {0x400, 0x100}, 0x500, kErrorSuccess},
        {"right after the directory entry", {0x130, 0x10}, 0x140, kErrorSuccess},
        {"followed by bytes", {0x400, 0x100}, 0x508, kTrustENoSignature},
        {"reaching past the end", {0x400, 0x108}, 0x500, kTrustESubjectFormUnknown},
        {"starting past the end", {0x600, 0x8}, 0x500, kTrustESubjectFormUnknown},
        {"wrapping around", {kFarOff, 0x10}, 0x500, kTrustESubjectFormUnknown},
        {"over the headers", {0x128, 0x3D8}, 0x500, kTrustESubjectFormUnknown},
        {"not 8-byte aligned", {0x404, 0xFC}, 0x500, kTrustESubjectFormUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CheckCertificateTable(kEntry, c.table, c.fileSize), c.expected);
    }
}

TEST(WinCertificateTest, FindsTheFirstSignedDataEntry) {
    constexpr std::uint64_t kTableOffset = 0x10; // the walk reads only within the table
    struct Case {
        const char* what;
        Bytes table;
        RangeOrError expected;
    };
    const std::vector<Case> cases = {
        {"alone", SignedDataEntry(0x20), {{kTableOffset + 8, 0x18}, kErrorSuccess}},
        {"unpadded at the end",
         Unpadded(SignedDataEntry(0x1D), 0x1D),
         {{kTableOffset + 8, 0x15}, kErrorSuccess}},
        {"after an entry of another type, at the next 8-byte boundary",
         Concat({WinCertificate(13, kWinCertRevision2, 1), SignedDataEntry(0x20)}),
         {{kTableOffset + 16 + 8, 0x18}, kErrorSuccess}},
        {"only another revision",
         WinCertificate(0x20, 0x0100, kWinCertTypePkcsSignedData),
         {{}, kTrustENoSignature}},
        {"a length shorter than the header", SignedDataEntry(4), {{}, kTrustESubjectFormUnknown}},
        {"a length past the table",
         WithLength(SignedDataEntry(0x20), 0x28),
         {{}, kTrustESubjectFormUnknown}},
        {"a broken header after a skipped entry",
         Concat({WinCertificate(8, kWinCertRevision2, 1), Bytes(4, 0)}),
         {{}, kTrustESubjectFormUnknown}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = Concat({Bytes(kTableOffset, 0), c.table});
        const MemoryByteSource source(file);
        const RangeOrError found = FindSignedDataEntry(source, {kTableOffset, c.table.size()});
        EXPECT_EQ(found.error, c.expected.error);
        EXPECT_EQ(found.range, c.expected.range);
    }
}

TEST(WinCertificateTest, RefusesASignatureTooLargeToHold) {
    const auto length = static_cast<std::uint32_t>(kMaxSignedDataSize + kWinCertHeaderSize + 8);
    const Bytes table = SignedDataEntry(length);
    const MemoryByteSource source(table);
    EXPECT_EQ(FindSignedDataEntry(source, {0, table.size()}).error, kTrustESubjectFormUnknown);
}

class SignatureLocationTest : public testing::TestWithParam<test::PeKind> {
protected:
    static test::PeImage Image() {
        test::PeImageSpec wanted;
        wanted.kind = GetParam();
        wanted.sections = {{".text", Bytes(0x30, 0xC3), test::kSectionCode}};
        return test::BuildPeImage(wanted);
    }
};

TEST_P(SignatureLocationTest, HashesAroundTheCheckSumTheDirectoryEntryAndTheTable) {
    test::PeImage image = Image();
    const std::uint64_t table = image.bytes.size();
    const std::uint64_t checkSum = image.layout.checkSumOffset;
    const std::uint64_t entry = image.layout.dataDirectoriesOffset + 8 * 4;
    image.bytes = Concat({image.bytes, SignedDataEntry(0x28)});
    test::StoreLe32(image.bytes, entry, static_cast<std::uint32_t>(table));
    test::StoreLe32(image.bytes, entry + 4, 0x28);

    const SignatureLocation location = LocateSignature(MemoryByteSource(image.bytes));
    ASSERT_EQ(location.error, kErrorSuccess);
    EXPECT_EQ(location.digestRanges[0], (ByteRange{0, checkSum}));
    EXPECT_EQ(location.digestRanges[1], (ByteRange{checkSum + 4, entry - checkSum - 4}));
    EXPECT_EQ(location.digestRanges[2], (ByteRange{entry + 8, table - entry - 8}));
    EXPECT_EQ(location.signedData, (ByteRange{table + 8, 0x20}));
}

TEST_P(SignatureLocationTest, FindsNoSignatureInAnUnsignedImageOrOtherBytes) {
    EXPECT_EQ(LocateSignature(MemoryByteSource(Image().bytes)).error, kTrustENoSignature);
    const Bytes text = {'M', 'Z', 'n', 'o', 't', ' ', 'a', ' ', 'P', 'E'};
    EXPECT_EQ(LocateSignature(MemoryByteSource(text)).error, kTrustESubjectFormUnknown);
}

INSTANTIATE_TEST_SUITE_P(ImageKinds, SignatureLocationTest,
                         testing::Values(test::PeKind::kPe32, test::PeKind::kPe32Plus));

TEST(SignedDataPaddingTest, AllowsOnlyUpToSevenZeroBytesAfterTheSignedData) {
    const Bytes element = Der(0x30, {1, 2, 3});
    const Bytes longForm = {0x30, 0x81, 0x03, 1, 2, 3};
    struct Case {
        const char* what;
        Bytes content;
        std::optional<Bytes> expected;
    };
    const std::vector<Case> cases = {
        {"no padding", element, element},
        {"seven zero bytes", Concat({element, Bytes(7, 0)}), element},
        {"a long-form length", Concat({longForm, Bytes(2, 0)}), longForm},
        {"eight zero bytes", Concat({element, Bytes(8, 0)}), std::nullopt},
        {"a byte that is not zero", Concat({element, Bytes{0, 1}}), std::nullopt},
        {"an indefinite length", {0x30, 0x80, 1, 2, 0, 0}, std::nullopt},
        {"a length past the bytes", {0x30, 0x05, 1, 2}, std::nullopt},
        {"not a SEQUENCE", Der(0x31, {1, 2, 3}), std::nullopt},
        {"nothing", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto stripped = StripSignedDataPadding(c.content);
        ASSERT_EQ(stripped.has_value(), c.expected.has_value());
        if (stripped) {
            EXPECT_EQ(Bytes(stripped->begin(), stripped->end()), *c.expected);
        }
    }
}

// An SpcIndirectDataContent for a PE image with the given digest algorithm and digest.
Bytes IndirectData(const Bytes& algorithmOid, const Bytes& digest, std::uint8_t digestTag = 0x04) {
    const Bytes peImageData =
        Der(0x30, Der(0x06, {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x01, 0x0F}));
    const Bytes algorithm = Der(0x30, Concat({Der(0x06, algorithmOid), Der(0x05, {})}));
    return Der(0x30, Concat({peImageData, Der(0x30, Concat({algorithm, Der(digestTag, digest)}))}));
}

const Bytes kSha256Oid = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
const Bytes kMd5Oid = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05};

TEST(SpcIndirectDataTest, ReadsTheImageDigestAndTheSignedContent) {
    const Bytes digest(32, 0x5A);
    const Bytes der = IndirectData(kSha256Oid, digest);
    const std::optional<SpcIndirectData> parsed = ParseSpcIndirectData(der);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->imageDigestAlgorithm, DigestAlgorithm::kSha256);
    EXPECT_EQ(Bytes(parsed->imageDigest.begin(), parsed->imageDigest.end()), digest);
    // The messageDigest covers the SEQUENCE's content octets, not its tag and length.
    EXPECT_EQ(Bytes(parsed->content.begin(), parsed->content.end()),
              Bytes(der.begin() + 2, der.end()));

    const auto md5 = ParseSpcIndirectData(IndirectData(kMd5Oid, Bytes(16, 1)));
    ASSERT_TRUE(md5);
    EXPECT_EQ(md5->imageDigestAlgorithm, DigestAlgorithm::kUnsupported);
}

TEST(SpcIndirectDataTest, RefusesOtherShapes) {
    const Bytes good = IndirectData(kSha256Oid, Bytes(32, 1));
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"a byte after it", Concat({good, Bytes{0}})},
        {"cut short", Bytes(good.begin(), good.end() - 1)},
        {"a digest that is not an OCTET STRING", IndirectData(kSha256Oid, Bytes(32, 1), 0x03)},
        {"no DigestInfo", Der(0x30, Der(0x30, Der(0x06, {0x2B})))},
    };
    for (const auto& [what, der] : cases) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(ParseSpcIndirectData(der));
    }
}

TEST(ChunkedReadTest, HandsOverTheRangesInOrderInBoundedPieces) {
    Bytes file(5 << 19); // 2.5 MiB
    for (std::size_t i = 0; i < file.size(); ++i) {
        file[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    const MemoryByteSource source(file);
    const std::vector<ByteRange> ranges = {{10, 3 << 19}, {2 << 20, 100}, {0, 0}, {5, 1}};
    Bytes seen;
    std::size_t largest = 0;
    ASSERT_TRUE(ReadRangesInChunks(source, ranges, [&](std::span<const std::uint8_t> piece) {
        largest = std::max(largest, piece.size());
        seen.insert(seen.end(), piece.begin(), piece.end());
    }));
    Bytes expected;
    for (const ByteRange& range : ranges) {
        expected.insert(expected.end(), file.begin() + static_cast<std::ptrdiff_t>(range.offset),
                        file.begin() + static_cast<std::ptrdiff_t>(range.offset + range.size));
    }
    EXPECT_EQ(seen, expected);
    EXPECT_LE(largest, std::size_t{1} << 20);

    const std::vector<ByteRange> pastTheEnd = {{file.size() - 4, 8}};
    EXPECT_FALSE(ReadRangesInChunks(source, pastTheEnd, [](std::span<const std::uint8_t>) {}));
}

} // namespace
} // namespace vg::platform::posix
