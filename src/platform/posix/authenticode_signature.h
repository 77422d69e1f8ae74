// An Authenticode signature (a PKCS#7 SignedData over an SpcIndirectDataContent), read and
// checked with OpenSSL: its first signer, that signer's certificate, and the integrity of the
// file and of the signature. Whether the certificate is trusted is decided elsewhere.
#pragma once

#include "platform/posix/authenticode.h"
#include "platform/posix/byte_source.h"

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vg::platform::posix {

struct Pkcs7Free {
    void operator()(PKCS7* pkcs7) const { PKCS7_free(pkcs7); }
};

/// A parsed signature; it keeps its own copy of everything it refers to.
class AuthenticodeSignature {
public:
    /// Parses the content of a WIN_CERTIFICATE: one DER SignedData and up to 7 zero bytes of
    /// padding.
    explicit AuthenticodeSignature(std::span<const std::uint8_t> signedData);

    /// 0 when the bytes are an Authenticode SignedData with a first signer whose certificate the
    /// SignedData carries; else 0x800B0100 (not such a SignedData), 0x80096002 (the signer's
    /// certificate is missing) or 0x80090008 (a digest algorithm that is not supported). The
    /// other members may be used only when this is 0.
    [[nodiscard]] std::uint32_t ParseError() const { return parseError_; }

    /// 0 when the digest of the file's `ranges`, taken with the algorithm the signature names,
    /// equals the signed image digest; 0x80096010 when it does not; 0x800B0003 when the file
    /// cannot be read.
    [[nodiscard]] std::uint32_t VerifyImageDigest(const ByteSource& file,
                                                  std::span<const ByteRange> ranges) const;

    /// 0 when the first signer's authenticated attributes name the SpcIndirectDataContent as
    /// content type, hold its digest as messageDigest, and carry a signature that the signer's
    /// certificate verifies; 0x80096010 otherwise.
    [[nodiscard]] std::uint32_t VerifySignerSignature() const;

    /// The first signer's certificate, owned by this object.
    [[nodiscard]] X509* SignerCertificate() const { return signer_; }

    /// The SignedData's certificate set, owned by this object: the untrusted certificates a
    /// chain may pass through.
    [[nodiscard]] STACK_OF(X509) * Certificates() const;

private:
    std::uint32_t Parse(std::span<const std::uint8_t> signedData);

    std::unique_ptr<PKCS7, Pkcs7Free> pkcs7_;
    PKCS7_SIGNER_INFO* signerInfo_ = nullptr;
    X509* signer_ = nullptr;
    SpcIndirectData indirectData_;
    DigestAlgorithm signerDigest_ = DigestAlgorithm::kUnsupported;
    std::uint32_t parseError_ = 0;
};

/// The certificate's subject name as CERT_NAME_SIMPLE_DISPLAY_TYPE chooses it (see
/// SimpleDisplayName).
std::u16string CertificateDisplayName(const X509* certificate);

} // namespace vg::platform::posix
