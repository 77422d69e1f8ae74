// A detached signature over a file: whether it is sound and made by a given publisher. The Linux
// build's update packages carry one; the Windows build's are signed inside (signature.h), so
// only the Linux backend implements this.
#pragma once

#include <cstdint>
#include <string_view>

namespace vg::platform {

/// Checks the DER CMS SignedData at `signatureFile` as a detached signature over the bytes of
/// `file`, with the trust and usage rules of CheckFileSigner, and compares its first signer's
/// simple display name with `expectedName`. 0 when sound and equal; 1 when sound and the name
/// differs; else a Windows error code, also left as the thread's last error: the failed open of
/// `file` (2, 3, 5), 0x800B0100 when the signature file is missing or not a CMS SignedData,
/// 0x80096010 when the signature does not verify over the file's bytes, 0x800B0109 for no chain
/// to a trusted root, 0x800B0110 for a certificate that may not sign code.
std::uint32_t CheckDetachedSignature(std::u16string_view file, std::u16string_view signatureFile,
                                     std::u16string_view expectedName);

} // namespace vg::platform
