// The signer of a program file: whether its embedded Authenticode signature is sound and names a
// given publisher.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::platform {

/// Checks the Authenticode signature embedded in the program file at `path` and compares the
/// name of its first signer with `expectedName`.
///
/// Returns 0 when the signature is sound and the first signer's name equals `expectedName` over
/// the whole length, letter case included; 1 when the signature is sound and the name differs;
/// otherwise a Windows error code, also left as the thread's last error:
/// - the code of the failed open (2 file not found, 3 path not found, 5 access denied);
/// - 0x800B0003 (TRUST_E_SUBJECT_FORM_UNKNOWN): not a PE image, unreadable, or a certificate
///   table that lies outside the file, is not 8-byte aligned or holds a broken entry;
/// - 0x800B0100 (TRUST_E_NOSIGNATURE): no certificate table, no PKCS#7 signed-data entry in it,
///   a signature that is not Authenticode, or bytes after the signature (such a file counts as
///   unsigned, as it does on Windows with the padding check);
/// - 0x80096002 (TRUST_E_NO_SIGNER_CERT): the signer's certificate is not in the signature;
/// - 0x80090008 (NTE_BAD_ALGID): a digest algorithm other than SHA-1, SHA-256, SHA-384, SHA-512;
/// - 0x80096010 (TRUST_E_BAD_DIGEST): the file's digest differs from the signed one, or the
///   signer's signature over its authenticated attributes does not verify;
/// - 0x800B0109 (CERT_E_UNTRUSTEDROOT): the signer's certificate does not chain to a root of the
///   system trust store;
/// - 0x800B0110 (CERT_E_WRONG_USAGE): a certificate of the chain states its extended key usages
///   and code signing is not among them.
///
/// Guaranteed when 0 or 1 is returned: every byte of the file but the CheckSum field, the
/// certificate-table directory entry and the certificate table is what the signer signed, and
/// the table ends the file; the first signer's signature over the image digest verifies; its
/// certificate chains to a trusted root and may sign code. The name is that
/// certificate's simple display name: the first common name, organisational unit, organisation
/// or e-mail address of its subject, else an RFC 822 name of its alternative names, else the
/// subject's first attribute.
///
/// Not examined: the certificates' validity periods (an expired certificate is accepted),
/// revocation, time stamps, and every signer after the first (a nested signature neither helps
/// nor harms).
///
/// Linux: the path maps to a native one as Wine maps it; the trust store is OpenSSL's default
/// one, with SSL_CERT_FILE and SSL_CERT_DIR honoured.
std::uint32_t CheckFileSigner(std::u16string_view path, std::u16string_view expectedName);

} // namespace vg::platform
