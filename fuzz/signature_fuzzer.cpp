// libFuzzer target for the reader of code signatures: the PE headers, the certificate table and
// its WIN_CERTIFICATE entries, the PKCS#7 SignedData with its SpcIndirectDataContent, both
// digests, the signer's signature and the display-name choice. The trust store is left out: it
// reads files of the machine, not the input.
#include "platform/posix/authenticode.h"
#include "platform/posix/authenticode_signature.h"
#include "platform/posix/byte_source.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

using vg::platform::posix::AuthenticodeSignature;
using vg::platform::posix::ByteRange;
using vg::platform::posix::MemoryByteSource;

void CheckSignature(std::span<const std::uint8_t> signedData, const MemoryByteSource& file,
                    std::span<const ByteRange> digestRanges) {
    const AuthenticodeSignature signature(signedData);
    if (signature.ParseError() != 0) {
        return;
    }
    if (!digestRanges.empty()) {
        (void)signature.VerifyImageDigest(file, digestRanges);
    }
    (void)signature.VerifySignerSignature();
    (void)vg::platform::posix::CertificateDisplayName(signature.SignerCertificate());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const MemoryByteSource file(input);
    const vg::platform::posix::SignatureLocation location =
        vg::platform::posix::LocateSignature(file);
    if (location.error != 0) {
        // Not a signed image: the bytes may still be a SignedData by themselves, which reaches
        // the PKCS#7 reader without the PE layers in the way.
        CheckSignature(input, file, {});
        return 0;
    }
    for (const ByteRange& range : location.digestRanges) {
        if (!vg::platform::posix::RangeFits(range.offset, range.size, size)) {
            std::abort();
        }
    }
    const ByteRange found = location.signedData;
    if (!vg::platform::posix::RangeFits(found.offset, found.size, size)) {
        std::abort();
    }
    CheckSignature(
        input.subspan(static_cast<std::size_t>(found.offset), static_cast<std::size_t>(found.size)),
        file, location.digestRanges);
    return 0;
}
