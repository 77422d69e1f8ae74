// CheckFileSigner and CheckDetachedSignature on Linux: an embedded Authenticode or a detached CMS
// signature checked for integrity, for a chain to the system trust store with the code-signing
// usage, and then for its signer's name. POSIX backend, OpenSSL.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/signature.h"

#include "platform/detached_signature.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/authenticode.h"
#include "platform/posix/authenticode_signature.h"
#include "platform/posix/native_path.h"
#include "platform/posix/random_access_file.h"
#include "platform/posix/signer_name.h"
#include "platform/posix/system_trust_store.h"

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>
#include <optional>
#include <vector>

namespace vg::platform {
namespace {

struct X509StoreCtxFree {
    void operator()(X509_STORE_CTX* context) const { X509_STORE_CTX_free(context); }
};

// OpenSSL keeps a per-thread error queue that the TLS code of the same thread reads; whatever
// the checks leave in it is dropped on the way out.
class OpenSslErrorScope {
public:
    OpenSslErrorScope() = default;
    OpenSslErrorScope(const OpenSslErrorScope&) = delete;
    OpenSslErrorScope& operator=(const OpenSslErrorScope&) = delete;
    ~OpenSslErrorScope() { ERR_clear_error(); }
};

// True for a certificate that states no extended key usages or names code signing among them;
// a CA may name "any extended key usage" instead, which passes every usage on to its leaves.
bool AllowsCodeSigning(X509* certificate, bool isLeaf) {
    if ((X509_get_extension_flags(certificate) & EXFLAG_XKUSAGE) == 0) {
        return true;
    }
    const std::uint32_t usages = X509_get_extended_key_usage(certificate);
    return (usages & XKU_CODE_SIGN) != 0 || (!isLeaf && (usages & XKU_ANYEKU) != 0);
}

// OpenSSL has no code-signing purpose: the chain is built for any purpose, without looking at
// validity periods or revocation, and the usage is checked on the chain it built.
std::uint32_t VerifyTrust(X509* signer, STACK_OF(X509) * untrusted) {
    const posix::TrustStoreRef store = posix::NewSystemTrustStore();
    const std::unique_ptr<X509_STORE_CTX, X509StoreCtxFree> context(X509_STORE_CTX_new());
    if (!store || !context ||
        X509_STORE_CTX_init(context.get(), store.get(), signer, untrusted) != 1) {
        return kCertEUntrustedRoot;
    }
    X509_STORE_CTX_set_purpose(context.get(), X509_PURPOSE_ANY);
    X509_STORE_CTX_set_flags(context.get(), X509_V_FLAG_NO_CHECK_TIME);
    if (X509_verify_cert(context.get()) != 1) {
        return kCertEUntrustedRoot;
    }
    const STACK_OF(X509)* const chain = X509_STORE_CTX_get0_chain(context.get());
    for (int i = 0; i < sk_X509_num(chain); ++i) {
        if (!AllowsCodeSigning(sk_X509_value(chain, i), i == 0)) {
            return kCertEWrongUsage;
        }
    }
    return kErrorSuccess;
}

std::optional<std::vector<std::uint8_t>> ReadRange(const posix::ByteSource& file,
                                                   posix::ByteRange range) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(range.size));
    if (!file.ReadAt(range.offset, bytes.data(), bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

std::uint32_t CheckSigner(std::u16string_view path, std::u16string_view expectedName) {
    const std::optional<posix::RandomAccessFile> file =
        posix::RandomAccessFile::Open(posix::NativePath(path));
    if (!file) {
        const std::uint32_t openError = GetLastError();
        return openError != kErrorSuccess ? openError : kTrustESubjectFormUnknown;
    }
    const posix::SignatureLocation location = posix::LocateSignature(*file);
    if (location.error != kErrorSuccess) {
        return location.error;
    }
    const std::optional<std::vector<std::uint8_t>> signedData =
        ReadRange(*file, location.signedData);
    if (!signedData) {
        return kTrustESubjectFormUnknown;
    }
    const posix::AuthenticodeSignature signature(*signedData);
    std::uint32_t error = signature.ParseError();
    if (error == kErrorSuccess) {
        error = signature.VerifyImageDigest(*file, location.digestRanges);
    }
    if (error == kErrorSuccess) {
        error = signature.VerifySignerSignature();
    }
    if (error == kErrorSuccess) {
        error = VerifyTrust(signature.SignerCertificate(), signature.Certificates());
    }
    if (error != kErrorSuccess) {
        return error;
    }
    return posix::CompareSignerName(posix::CertificateDisplayName(signature.SignerCertificate()),
                                    expectedName);
}

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

struct CmsFree {
    void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};

struct X509StackShallowFree {
    void operator()(STACK_OF(X509) * certificates) const { sk_X509_free(certificates); }
};

struct X509StackFree {
    void operator()(STACK_OF(X509) * certificates) const {
        sk_X509_pop_free(certificates, X509_free);
    }
};

// The signer certificates are checked here, with the rules of the Authenticode check, and not by
// CMS_verify, which would apply its own purpose and time checks.
std::uint32_t CheckDetachedSigner(std::u16string_view file, std::u16string_view signatureFile,
                                  std::u16string_view expectedName) {
    const std::optional<posix::RandomAccessFile> opened =
        posix::RandomAccessFile::Open(posix::NativePath(file));
    if (!opened) {
        const std::uint32_t openError = GetLastError();
        return openError != kErrorSuccess ? openError : kTrustESubjectFormUnknown;
    }
    const std::unique_ptr<BIO, BioFree> signatureBio(
        BIO_new_file(posix::NativePath(signatureFile).c_str(), "rb"));
    const std::unique_ptr<CMS_ContentInfo, CmsFree> cms(
        signatureBio ? d2i_CMS_bio(signatureBio.get(), nullptr) : nullptr);
    if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed) {
        return kTrustENoSignature;
    }
    const std::unique_ptr<BIO, BioFree> content(
        BIO_new_file(posix::NativePath(file).c_str(), "rb"));
    if (!content || CMS_verify(cms.get(), nullptr, nullptr, content.get(), nullptr,
                               CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1) {
        return kTrustEBadDigest;
    }
    const std::unique_ptr<STACK_OF(X509), X509StackShallowFree> signers(
        CMS_get0_signers(cms.get()));
    const std::unique_ptr<STACK_OF(X509), X509StackFree> certificates(CMS_get1_certs(cms.get()));
    X509* const signer =
        signers && sk_X509_num(signers.get()) > 0 ? sk_X509_value(signers.get(), 0) : nullptr;
    if (signer == nullptr) {
        return kTrustENoSignerCert;
    }
    const std::uint32_t error = VerifyTrust(signer, certificates.get());
    if (error != kErrorSuccess) {
        return error;
    }
    return posix::CompareSignerName(posix::CertificateDisplayName(signer), expectedName);
}

std::uint32_t WithLastError(std::uint32_t result) {
    if (result != posix::kSignerNameEqual && result != posix::kSignerNameDifferent) {
        SetLastError(result);
    }
    return result;
}

} // namespace

std::uint32_t CheckDetachedSignature(std::u16string_view file, std::u16string_view signatureFile,
                                     std::u16string_view expectedName) {
    const OpenSslErrorScope errors;
    return WithLastError(CheckDetachedSigner(file, signatureFile, expectedName));
}

std::uint32_t CheckFileSigner(std::u16string_view path, std::u16string_view expectedName) {
    const OpenSslErrorScope errors;
    return WithLastError(CheckSigner(path, expectedName));
}

} // namespace vg::platform
