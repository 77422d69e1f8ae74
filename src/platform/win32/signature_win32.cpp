// CheckFileSigner on Windows: WinVerifyTrust judges the embedded Authenticode signature, then the
// CryptoAPI reads the first signer's name. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/signature.h"

#include "platform/error_codes.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <memory>
#include <string>
#include <string_view>

namespace vg::platform {
namespace {

constexpr std::uint32_t kNamesEqual = 0;
constexpr std::uint32_t kNamesDiffer = 1;

struct StoreClose {
    void operator()(HCERTSTORE store) const { ::CertCloseStore(store, 0); }
};
using UniqueStore = std::unique_ptr<void, StoreClose>;

struct MessageClose {
    void operator()(HCRYPTMSG message) const { ::CryptMsgClose(message); }
};
using UniqueMessage = std::unique_ptr<void, MessageClose>;

struct CertificateFree {
    void operator()(PCCERT_CONTEXT certificate) const { ::CertFreeCertificateContext(certificate); }
};
using UniqueCertificate = std::unique_ptr<const CERT_CONTEXT, CertificateFree>;

// 0 and 1 are the answers about the name; a failure that a call reports without a usable code
// must not be mistaken for one of them.
std::uint32_t AsFailure(DWORD error) {
    return error == kNamesEqual || error == kNamesDiffer ? kTrustESubjectFormUnknown : error;
}

struct OpenedFile {
    win32::UniqueHandle handle;
    std::uint32_t error = kErrorSuccess;
};

// The file stays open, readable by others but neither writable nor deletable, until the name has
// been read: the signature that is judged and the one whose name is read are the same.
OpenedFile OpenUnchangeable(const std::wstring& path) {
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {win32::UniqueHandle(), AsFailure(::GetLastError())};
    }
    return {win32::UniqueHandle(handle)};
}

// One WinVerifyTrust judgement of an embedded signature. Its state stays open until destruction,
// so that the chain it built can be examined again, and is closed on every way out.
class TrustVerification {
public:
    TrustVerification(const std::wstring& path, HANDLE file) {
        file_.cbStruct = sizeof(file_);
        file_.pcwszFilePath = path.c_str();
        file_.hFile = file;
        data_.cbStruct = sizeof(data_);
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwUnionChoice = WTD_CHOICE_FILE;
        data_.pFile = &file_;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        // Revocation is not examined, so nothing is fetched from the network for it.
        data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;
    ~TrustVerification() {
        if (verified_) {
            data_.dwStateAction = WTD_STATEACTION_CLOSE;
            ::WinVerifyTrust(nullptr, &action_, &data_);
        }
    }

    LONG Verify() {
        verified_ = true;
        return ::WinVerifyTrust(nullptr, &action_, &data_);
    }

    // The chain built for the first signer; null when there is none.
    [[nodiscard]] PCCERT_CHAIN_CONTEXT SignerChain() const {
        CRYPT_PROVIDER_DATA* const provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* const signer =
            provider != nullptr ? ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        return signer != nullptr ? signer->pChainContext : nullptr;
    }

private:
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file_{};
    WINTRUST_DATA data_{};
    bool verified_ = false;
};

// WinVerifyTrust's answers in the codes the caller knows: every way a chain can fail to reach a
// trusted root is an untrusted root, and a signer signature that does not verify is a bad digest.
std::uint32_t TrustFailure(LONG result) {
    switch (result) {
    case CERT_E_CHAINING:
    case CERT_E_UNTRUSTEDCA:
    case CERT_E_UNTRUSTEDTESTROOT:
    case TRUST_E_CERT_SIGNATURE:
    case TRUST_E_EXPLICIT_DISTRUST:
    case TRUST_E_SUBJECT_NOT_TRUSTED:
        return kCertEUntrustedRoot;
    case NTE_BAD_SIGNATURE:
    case CRYPT_E_HASH_VALUE:
        return kTrustEBadDigest;
    case CRYPT_E_FILE_ERROR:
        return kTrustESubjectFormUnknown;
    default:
        return AsFailure(static_cast<DWORD>(result));
    }
}

bool IsOnlyAboutTime(LONG result) {
    return result == CERT_E_EXPIRED || result == CERT_E_VALIDITYPERIODNESTING;
}

struct LocalFreeDeleter {
    void operator()(void* memory) const { ::LocalFree(memory); }
};

// A certificate that states its extended key usages must name code signing among them; a CA may
// name any usage instead, which passes every usage on to the certificates it issues.
bool AllowsCodeSigning(PCCERT_CONTEXT certificate, bool isSigner) {
    const CERT_INFO& info = *certificate->pCertInfo;
    const CERT_EXTENSION* const extension =
        ::CertFindExtension(szOID_ENHANCED_KEY_USAGE, info.cExtension, info.rgExtension);
    if (extension == nullptr) {
        return true;
    }
    CERT_ENHKEY_USAGE* decoded = nullptr;
    DWORD size = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ENHANCED_KEY_USAGE, extension->Value.pbData,
                               extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded,
                               &size)) {
        return false;
    }
    const std::unique_ptr<CERT_ENHKEY_USAGE, LocalFreeDeleter> usages(decoded);
    for (DWORD i = 0; i < usages->cUsageIdentifier; ++i) {
        const std::string_view usage = usages->rgpszUsageIdentifier[i];
        if (usage == szOID_PKIX_KP_CODE_SIGNING ||
            (!isSigner && usage == szOID_ANY_ENHANCED_KEY_USAGE)) {
            return true;
        }
    }
    return false;
}

// Chain faults that do not decide: validity periods and revocation are not examined, and a
// certificate signed with SHA-1 is accepted.
constexpr DWORD kIgnoredChainErrors =
    CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED |
    CERT_TRUST_CTL_IS_NOT_TIME_VALID | CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
    CERT_TRUST_IS_OFFLINE_REVOCATION | CERT_TRUST_HAS_WEAK_SIGNATURE;

// The first signer's chain must reach a trusted root without a fault, and every certificate on
// it must allow code signing.
std::uint32_t JudgeChain(PCCERT_CHAIN_CONTEXT chain) {
    if (chain == nullptr || chain->cChain == 0) {
        return kCertEUntrustedRoot;
    }
    const DWORD errors = chain->TrustStatus.dwErrorStatus & ~kIgnoredChainErrors;
    if ((errors & ~DWORD{CERT_TRUST_IS_NOT_VALID_FOR_USAGE}) != 0) {
        return kCertEUntrustedRoot;
    }
    if (errors != 0) {
        return kCertEWrongUsage;
    }
    const CERT_SIMPLE_CHAIN& path = *chain->rgpChain[0];
    for (DWORD i = 0; i < path.cElement; ++i) {
        if (!AllowsCodeSigning(path.rgpElement[i]->pCertContext, i == 0)) {
            return kCertEWrongUsage;
        }
    }
    return kErrorSuccess;
}

// WinVerifyTrust checks the image digest and the signer's signature and builds the chain. Its
// verdict on the chain is not taken as it stands: it refuses an expired certificate, which does
// not decide here, and not every implementation judges the chain at all (Wine accepts a chain
// that ends at an unknown or untrusted root). So the chain it built is judged here, the same way
// whatever WinVerifyTrust said about it.
std::uint32_t JudgeSignature(TrustVerification& trust) {
    const LONG result = trust.Verify();
    if (result != ERROR_SUCCESS && !IsOnlyAboutTime(result)) {
        return TrustFailure(result);
    }
    return JudgeChain(trust.SignerChain());
}

struct NameOrError {
    std::u16string name;
    std::uint32_t error = kErrorSuccess;
};

std::wstring SimpleDisplayName(PCCERT_CONTEXT certificate) {
    const DWORD size =
        ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    std::wstring name(size, L'\0');
    const DWORD written = ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0,
                                               nullptr, name.data(), size);
    // The count includes the terminating zero; the name is compared over its whole length.
    name.resize(written > 0 ? written - 1 : 0);
    return name;
}

// The subject's simple display name of the certificate of the embedded signature's first signer,
// found in the signature's own certificates by that signer's issuer and serial number.
NameOrError FirstSignerName(const std::wstring& path) {
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMessage = nullptr;
    const BOOL queried = ::CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(),
                                            CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                                            CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr,
                                            nullptr, &rawStore, &rawMessage, nullptr);
    const DWORD queryError = ::GetLastError();
    const UniqueStore store(rawStore);
    const UniqueMessage message(rawMessage);
    if (!queried) {
        return {{}, AsFailure(queryError)};
    }

    DWORD size = 0;
    if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
        return {{}, AsFailure(::GetLastError())};
    }
    // operator new aligns the buffer for the structure and the pointers the call writes into it.
    const auto buffer = std::make_unique<std::byte[]>(size);
    if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.get(), &size)) {
        return {{}, AsFailure(::GetLastError())};
    }
    const auto* const signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.get());

    CERT_INFO wanted{};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    const UniqueCertificate certificate(
        ::CertFindCertificateInStore(store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                     CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!certificate) {
        return {{}, kTrustENoSignerCert};
    }
    return {win32::FromWide(SimpleDisplayName(certificate.get()))};
}

std::uint32_t CheckSigner(std::u16string_view path, std::u16string_view expectedName) {
    const std::wstring widePath = win32::ToWide(path);
    // The system would stop reading the path at a zero and check another file.
    if (widePath.find(L'\0') != std::wstring::npos) {
        return kErrorInvalidName;
    }
    const OpenedFile file = OpenUnchangeable(widePath);
    if (file.error != kErrorSuccess) {
        return file.error;
    }
    TrustVerification trust(widePath, file.handle.Get());
    if (const std::uint32_t error = JudgeSignature(trust); error != kErrorSuccess) {
        return error;
    }
    const NameOrError signer = FirstSignerName(widePath);
    if (signer.error != kErrorSuccess) {
        return signer.error;
    }
    return signer.name == expectedName ? kNamesEqual : kNamesDiffer;
}

} // namespace

std::uint32_t CheckFileSigner(std::u16string_view path, std::u16string_view expectedName) {
    const std::uint32_t result = CheckSigner(path, expectedName);
    if (result != kNamesEqual && result != kNamesDiffer) {
        ::SetLastError(result);
    }
    return result;
}

} // namespace vg::platform
