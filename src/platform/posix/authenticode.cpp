// Finds the signature of a PE image, the ranges of its image digest and the digest its
// SpcIndirectDataContent states. Every offset and length is checked before it is used. POSIX
// backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/authenticode.h"

#include "platform/error_codes.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace vg::platform::posix {
namespace {

constexpr std::uint64_t kCheckSumSize = 4;
constexpr std::uint64_t kDataDirectoryEntrySize = 8;
constexpr std::uint64_t kWinCertAlignment = 8;
constexpr std::size_t kChunkSize = std::size_t{1} << 20;

constexpr std::uint8_t kDerSequence = 0x30;
constexpr std::uint8_t kDerObjectIdentifier = 0x06;
constexpr std::uint8_t kDerOctetString = 0x04;
constexpr std::uint8_t kDerHighTagNumber = 0x1F;
constexpr std::uint8_t kDerLongLength = 0x80;
constexpr std::uint8_t kDerLengthBytesMask = 0x7F;
constexpr std::size_t kDerMaxLengthBytes = 4;

// The content octets of the DER OBJECT IDENTIFIERs of the digest algorithms.
constexpr std::uint8_t kOidSha1[] = {0x2B, 0x0E, 0x03, 0x02, 0x1A};
constexpr std::uint8_t kOidSha256[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
constexpr std::uint8_t kOidSha384[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x02};
constexpr std::uint8_t kOidSha512[] = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x03};

std::uint16_t Le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(Le16(bytes)) |
           (static_cast<std::uint32_t>(Le16(bytes + 2)) << 16);
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// One DER element: its tag, its content octets and the bytes after it.
struct DerElement {
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> content;
    std::span<const std::uint8_t> rest;
};

// Reads a definite-length element with a low tag number; nothing for anything else or for a
// length that runs past the bytes.
std::optional<DerElement> ReadDerElement(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2 || (bytes[0] & kDerHighTagNumber) == kDerHighTagNumber) {
        return std::nullopt;
    }
    std::size_t headerSize = 2;
    std::uint64_t length = bytes[1];
    if ((bytes[1] & kDerLongLength) != 0) {
        const std::size_t lengthBytes = bytes[1] & kDerLengthBytesMask;
        if (lengthBytes == 0 || lengthBytes > kDerMaxLengthBytes ||
            bytes.size() < 2 + lengthBytes) {
            return std::nullopt;
        }
        length = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i) {
            length = (length << 8) | bytes[2 + i];
        }
        headerSize += lengthBytes;
    }
    if (length > bytes.size() - headerSize) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(length);
    return DerElement{bytes[0], bytes.subspan(headerSize, size), bytes.subspan(headerSize + size)};
}

std::optional<DerElement> ReadDerElement(std::span<const std::uint8_t> bytes, std::uint8_t tag) {
    std::optional<DerElement> element = ReadDerElement(bytes);
    if (!element || element->tag != tag) {
        return std::nullopt;
    }
    return element;
}

bool SameBytes(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> expected) {
    return std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end());
}

} // namespace

std::uint32_t CheckCertificateTable(std::uint64_t directoryEntryOffset, ByteRange table,
                                    std::uint64_t fileSize) {
    if (!RangeFits(table.offset, table.size, fileSize) ||
        table.offset < directoryEntryOffset + kDataDirectoryEntrySize ||
        table.offset % kWinCertAlignment != 0) {
        return kTrustESubjectFormUnknown;
    }
    if (table.offset + table.size != fileSize) {
        return kTrustENoSignature;
    }
    return kErrorSuccess;
}

std::array<ByteRange, 3> ImageDigestRanges(const PeHeaders& headers, ByteRange table) {
    const std::optional<std::uint64_t> entry =
        headers.DataDirectoryEntryOffset(kPeDirectoryCertificateTable);
    assert(entry && headers.checkSumOffset + kCheckSumSize <= *entry);
    const std::uint64_t afterCheckSum = headers.checkSumOffset + kCheckSumSize;
    const std::uint64_t afterEntry = *entry + kDataDirectoryEntrySize;
    assert(afterEntry <= table.offset);
    return {ByteRange{0, headers.checkSumOffset}, ByteRange{afterCheckSum, *entry - afterCheckSum},
            ByteRange{afterEntry, table.offset - afterEntry}};
}

RangeOrError FindSignedDataEntry(const ByteSource& file, ByteRange table) {
    std::uint64_t position = 0;
    for (int entries = 0; position < table.size && entries < kMaxWinCertificates; ++entries) {
        std::array<std::uint8_t, kWinCertHeaderSize> header{};
        if (table.size - position < kWinCertHeaderSize ||
            !file.ReadAt(table.offset + position, header.data(), header.size())) {
            return {{}, kTrustESubjectFormUnknown};
        }
        const std::uint32_t length = Le32(header.data());
        if (length < kWinCertHeaderSize || length > table.size - position) {
            return {{}, kTrustESubjectFormUnknown};
        }
        if (Le16(header.data() + 4) == kWinCertRevision2 &&
            Le16(header.data() + 6) == kWinCertTypePkcsSignedData) {
            const ByteRange content{table.offset + position + kWinCertHeaderSize,
                                    length - kWinCertHeaderSize};
            if (content.size > kMaxSignedDataSize) {
                return {{}, kTrustESubjectFormUnknown};
            }
            return {content, kErrorSuccess};
        }
        position += AlignUp(length, kWinCertAlignment);
    }
    return {{}, kTrustENoSignature};
}

SignatureLocation LocateSignature(const ByteSource& file) {
    const std::optional<PeHeaders> headers = ReadPeHeaders(file);
    if (!headers) {
        return {kTrustESubjectFormUnknown};
    }
    const std::optional<std::uint64_t> entry =
        headers->DataDirectoryEntryOffset(kPeDirectoryCertificateTable);
    const PeDataDirectory directory = headers->DataDirectory(kPeDirectoryCertificateTable);
    if (!entry || directory.size == 0) {
        return {kTrustENoSignature};
    }
    const ByteRange table{directory.virtualAddress, directory.size};
    if (const std::uint32_t error = CheckCertificateTable(*entry, table, file.Size())) {
        return {error};
    }
    const RangeOrError signedData = FindSignedDataEntry(file, table);
    if (signedData.error != kErrorSuccess) {
        return {signedData.error};
    }
    return {kErrorSuccess, ImageDigestRanges(*headers, table), signedData.range};
}

std::optional<std::span<const std::uint8_t>>
StripSignedDataPadding(std::span<const std::uint8_t> content) {
    const std::optional<DerElement> signedData = ReadDerElement(content, kDerSequence);
    if (!signedData || signedData->rest.size() >= kWinCertAlignment ||
        std::any_of(signedData->rest.begin(), signedData->rest.end(),
                    [](std::uint8_t byte) { return byte != 0; })) {
        return std::nullopt;
    }
    return content.first(content.size() - signedData->rest.size());
}

DigestAlgorithm DigestAlgorithmFromOid(std::span<const std::uint8_t> oid) {
    if (SameBytes(oid, kOidSha1)) {
        return DigestAlgorithm::kSha1;
    }
    if (SameBytes(oid, kOidSha256)) {
        return DigestAlgorithm::kSha256;
    }
    if (SameBytes(oid, kOidSha384)) {
        return DigestAlgorithm::kSha384;
    }
    if (SameBytes(oid, kOidSha512)) {
        return DigestAlgorithm::kSha512;
    }
    return DigestAlgorithm::kUnsupported;
}

std::size_t DigestSize(DigestAlgorithm algorithm) {
    switch (algorithm) {
    case DigestAlgorithm::kSha1:
        return 20;
    case DigestAlgorithm::kSha256:
        return 32;
    case DigestAlgorithm::kSha384:
        return 48;
    case DigestAlgorithm::kSha512:
        return 64;
    case DigestAlgorithm::kUnsupported:
        break;
    }
    return 0;
}

std::optional<SpcIndirectData> ParseSpcIndirectData(std::span<const std::uint8_t> der) {
    const auto indirect = ReadDerElement(der, kDerSequence);
    if (!indirect || !indirect->rest.empty()) {
        return std::nullopt;
    }
    // The SpcAttributeTypeAndOptionalValue names the kind of file; the digest below binds the
    // signature to this file whatever it says.
    const auto data = ReadDerElement(indirect->content, kDerSequence);
    const auto digestInfo = data ? ReadDerElement(data->rest, kDerSequence) : std::nullopt;
    if (!digestInfo || !digestInfo->rest.empty()) {
        return std::nullopt;
    }
    const auto algorithm = ReadDerElement(digestInfo->content, kDerSequence);
    const auto oid =
        algorithm ? ReadDerElement(algorithm->content, kDerObjectIdentifier) : std::nullopt;
    const auto digest = algorithm ? ReadDerElement(algorithm->rest, kDerOctetString) : std::nullopt;
    if (!oid || !digest || !digest->rest.empty()) {
        return std::nullopt;
    }
    return SpcIndirectData{indirect->content, DigestAlgorithmFromOid(oid->content),
                           digest->content};
}

bool ReadRangesInChunks(const ByteSource& file, std::span<const ByteRange> ranges,
                        const std::function<void(std::span<const std::uint8_t>)>& consume) {
    std::vector<std::uint8_t> buffer;
    for (const ByteRange& range : ranges) {
        for (std::uint64_t done = 0; done < range.size;) {
            const auto size =
                static_cast<std::size_t>(std::min<std::uint64_t>(range.size - done, kChunkSize));
            buffer.resize(std::max(buffer.size(), size));
            if (!file.ReadAt(range.offset + done, buffer.data(), size)) {
                return false;
            }
            consume(std::span<const std::uint8_t>(buffer.data(), size));
            done += size;
        }
    }
    return true;
}

} // namespace vg::platform::posix
