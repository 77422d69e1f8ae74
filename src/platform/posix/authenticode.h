// The Authenticode layout of a PE image, read from untrusted bytes: where the signature is, which
// bytes the image digest covers, and what the signed SpcIndirectDataContent states. No
// cryptography here, so that every decision is tested on plain bytes.
#pragma once

#include "platform/posix/byte_source.h"
#include "platform/posix/pe_image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace vg::platform::posix {

inline constexpr std::uint16_t kWinCertRevision2 = 0x0200;
inline constexpr std::uint16_t kWinCertTypePkcsSignedData = 0x0002;
inline constexpr std::uint64_t kWinCertHeaderSize = 8;
/// Real signatures, nested ones and their certificates included, take some kilobytes; a larger
/// one is refused rather than held in memory.
inline constexpr std::uint64_t kMaxSignedDataSize = std::uint64_t{4} << 20;
/// The entries of a certificate table looked at before giving up.
inline constexpr int kMaxWinCertificates = 64;

/// A range of the file, or the Windows error code that says why there is none.
struct RangeOrError {
    ByteRange range;
    std::uint32_t error = 0;
};

/// Where the signature of a PE image is and what its image digest covers.
struct SignatureLocation {
    /// 0, or the Windows error code that says why the image has no usable signature.
    std::uint32_t error = 0;
    /// The bytes of the image digest, in file order: the file without the CheckSum field, the
    /// certificate-table directory entry and the certificate table.
    std::array<ByteRange, 3> digestRanges{};
    /// The content of the first WIN_CERTIFICATE of revision 2 and type PKCS_SIGNED_DATA, with
    /// the padding that follows the SignedData.
    ByteRange signedData;
};

/// Checks the certificate table that `table` describes, for an image whose certificate-table
/// directory entry is at `directoryEntryOffset`: 0 when it is sound; 0x800B0003 when it lies
/// outside the file, overlaps the headers up to that entry, or is not 8-byte aligned;
/// 0x800B0100 when bytes follow it, since data after the signature is covered by no digest.
std::uint32_t CheckCertificateTable(std::uint64_t directoryEntryOffset, ByteRange table,
                                    std::uint64_t fileSize);

/// The image digest's ranges for a table that CheckCertificateTable accepted. The headers must
/// have a certificate-table directory entry.
std::array<ByteRange, 3> ImageDigestRanges(const PeHeaders& headers, ByteRange table);

/// The content of the first WIN_CERTIFICATE entry of revision 2 and type PKCS_SIGNED_DATA among
/// the table's first kMaxWinCertificates; entries start at 8-byte aligned offsets from the
/// table's start. 0x800B0003 for an
/// entry that does not fit the table, an unreadable one, or a content larger than
/// kMaxSignedDataSize; 0x800B0100 when there is no such entry.
RangeOrError FindSignedDataEntry(const ByteSource& file, ByteRange table);

/// The signature of a PE image: the headers, the certificate table and its entry, all checked.
/// 0x800B0003 for bytes that are not a PE image; 0x800B0100 for an image without a certificate
/// table; otherwise the errors of the functions above.
SignatureLocation LocateSignature(const ByteSource& file);

/// The DER SignedData at the start of a WIN_CERTIFICATE's content, without the padding that
/// follows it; nothing unless it is one definite-length element followed by at most 7 zero
/// bytes (anything else would be data that no signature covers).
std::optional<std::span<const std::uint8_t>>
StripSignedDataPadding(std::span<const std::uint8_t> content);

/// The digest algorithms a signature may use.
enum class DigestAlgorithm { kUnsupported, kSha1, kSha256, kSha384, kSha512 };

/// The algorithm that the content octets of a DER OBJECT IDENTIFIER name.
DigestAlgorithm DigestAlgorithmFromOid(std::span<const std::uint8_t> oid);

/// The digest's length in bytes; 0 for kUnsupported.
std::size_t DigestSize(DigestAlgorithm algorithm);

/// What an SpcIndirectDataContent states; the spans point into the parsed bytes.
struct SpcIndirectData {
    /// The content octets of the SEQUENCE: the signer's messageDigest attribute is their digest.
    std::span<const std::uint8_t> content;
    DigestAlgorithm imageDigestAlgorithm = DigestAlgorithm::kUnsupported;
    std::span<const std::uint8_t> imageDigest;
};

/// Parses a DER SpcIndirectDataContent (its SEQUENCE, tag and length included): SEQUENCE {
/// SpcAttributeTypeAndOptionalValue, DigestInfo }. Nothing for bytes of another shape; an
/// algorithm outside DigestAlgorithm parses as kUnsupported.
std::optional<SpcIndirectData> ParseSpcIndirectData(std::span<const std::uint8_t> der);

/// Hands the bytes of `ranges` to `consume` in order, in pieces of at most 1 MiB, so that memory
/// stays bounded whatever the file's size. False, having stopped, when a read fails.
bool ReadRangesInChunks(const ByteSource& file, std::span<const ByteRange> ranges,
                        const std::function<void(std::span<const std::uint8_t>)>& consume);

} // namespace vg::platform::posix
