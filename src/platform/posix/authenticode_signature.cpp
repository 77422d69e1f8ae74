// The PKCS#7 side of Authenticode with OpenSSL: parsing the SignedData, finding the first
// signer's certificate, the image and attribute digests, the signer's signature and the subject's
// display name. POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/authenticode_signature.h"

#include "platform/error_codes.h"
#include "platform/posix/signer_name.h"

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace vg::platform::posix {
namespace {

// 1.3.6.1.4.1.311.2.1.4, SPC_INDIRECT_DATA_OBJID, as DER content octets.
constexpr std::uint8_t kOidSpcIndirectData[] = {0x2B, 0x06, 0x01, 0x04, 0x01,
                                                0x82, 0x37, 0x02, 0x01, 0x04};

struct EvpMdCtxFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using UniqueEvpMdCtx = std::unique_ptr<EVP_MD_CTX, EvpMdCtxFree>;

struct OpenSslFree {
    void operator()(unsigned char* bytes) const { OPENSSL_free(bytes); }
};

struct GeneralNamesFree {
    void operator()(GENERAL_NAMES* names) const { GENERAL_NAMES_free(names); }
};

std::span<const std::uint8_t> Bytes(const ASN1_STRING* text) {
    return {ASN1_STRING_get0_data(text), static_cast<std::size_t>(ASN1_STRING_length(text))};
}

std::span<const std::uint8_t> OidBytes(const ASN1_OBJECT* object) {
    return {OBJ_get0_data(object), OBJ_length(object)};
}

bool IsSpcIndirectDataOid(const ASN1_OBJECT* object) {
    const std::span<const std::uint8_t> oid = OidBytes(object);
    return std::equal(oid.begin(), oid.end(), std::begin(kOidSpcIndirectData),
                      std::end(kOidSpcIndirectData));
}

const EVP_MD* EvpDigest(DigestAlgorithm algorithm) {
    switch (algorithm) {
    case DigestAlgorithm::kSha1:
        return EVP_sha1();
    case DigestAlgorithm::kSha256:
        return EVP_sha256();
    case DigestAlgorithm::kSha384:
        return EVP_sha384();
    case DigestAlgorithm::kSha512:
        return EVP_sha512();
    case DigestAlgorithm::kUnsupported:
        break;
    }
    return nullptr;
}

// A digest taken in pieces; empty when OpenSSL fails.
class Digest {
public:
    explicit Digest(DigestAlgorithm algorithm) : context_(EVP_MD_CTX_new()) {
        ok_ = context_ && EVP_DigestInit_ex(context_.get(), EvpDigest(algorithm), nullptr) == 1;
    }

    void Update(std::span<const std::uint8_t> bytes) {
        ok_ = ok_ && EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) == 1;
    }

    std::vector<std::uint8_t> Final() {
        std::array<std::uint8_t, EVP_MAX_MD_SIZE> value{};
        unsigned int size = 0;
        if (!ok_ || EVP_DigestFinal_ex(context_.get(), value.data(), &size) != 1) {
            return {};
        }
        return {value.begin(), value.begin() + size};
    }

private:
    UniqueEvpMdCtx context_;
    bool ok_ = false;
};

bool Equal(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// The SpcIndirectDataContent of a SignedData, as its DER SEQUENCE; empty when the content is
// something else.
std::span<const std::uint8_t> IndirectDataDer(const PKCS7_SIGNED& signedData) {
    const PKCS7* const contents = signedData.contents;
    if (contents == nullptr || contents->type == nullptr || !IsSpcIndirectDataOid(contents->type) ||
        contents->d.other == nullptr || contents->d.other->type != V_ASN1_SEQUENCE) {
        return {};
    }
    return Bytes(contents->d.other->value.sequence);
}

bool HasSpcIndirectDataContentType(const PKCS7_SIGNER_INFO* signerInfo) {
    const ASN1_TYPE* const contentType =
        PKCS7_get_signed_attribute(signerInfo, NID_pkcs9_contentType);
    return contentType != nullptr && contentType->type == V_ASN1_OBJECT &&
           IsSpcIndirectDataOid(contentType->value.object);
}

// The authenticated attributes as the signer signed them: a SET OF in the order they are
// stored (not re-sorted), which is what OpenSSL's PKCS7_ATTR_VERIFY encoding gives.
std::vector<std::uint8_t> SignedAttributesDer(const PKCS7_SIGNER_INFO* signerInfo) {
    unsigned char* der = nullptr;
    const int size = ASN1_item_i2d(reinterpret_cast<const ASN1_VALUE*>(signerInfo->auth_attr), &der,
                                   ASN1_ITEM_rptr(PKCS7_ATTR_VERIFY));
    const std::unique_ptr<unsigned char, OpenSslFree> owned(der);
    if (size <= 0) {
        return {};
    }
    return {der, der + size};
}

NameAttributeType AttributeType(const ASN1_OBJECT* object) {
    switch (OBJ_obj2nid(object)) {
    case NID_commonName:
        return NameAttributeType::kCommonName;
    case NID_organizationalUnitName:
        return NameAttributeType::kOrganizationalUnit;
    case NID_organizationName:
        return NameAttributeType::kOrganization;
    case NID_pkcs9_emailAddress:
        return NameAttributeType::kEmail;
    default:
        return NameAttributeType::kOther;
    }
}

std::vector<NameAttribute> SubjectAttributes(const X509* certificate) {
    const X509_NAME* const subject = X509_get_subject_name(certificate);
    std::vector<NameAttribute> attributes;
    for (int i = 0; i < X509_NAME_entry_count(subject); ++i) {
        const X509_NAME_ENTRY* const entry = X509_NAME_get_entry(subject, i);
        const ASN1_STRING* const value = X509_NAME_ENTRY_get_data(entry);
        attributes.push_back({AttributeType(X509_NAME_ENTRY_get_object(entry)),
                              DecodeDirectoryString(ASN1_STRING_type(value), Bytes(value))});
    }
    return attributes;
}

std::vector<std::u16string> Rfc822AltNames(const X509* certificate) {
    const std::unique_ptr<GENERAL_NAMES, GeneralNamesFree> names(static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr)));
    std::vector<std::u16string> emails;
    for (int i = 0; names && i < sk_GENERAL_NAME_num(names.get()); ++i) {
        const GENERAL_NAME* const name = sk_GENERAL_NAME_value(names.get(), i);
        if (name->type == GEN_EMAIL) {
            emails.push_back(DecodeDirectoryString(V_ASN1_IA5STRING, Bytes(name->d.rfc822Name)));
        }
    }
    return emails;
}

} // namespace

AuthenticodeSignature::AuthenticodeSignature(std::span<const std::uint8_t> signedData) {
    parseError_ = Parse(signedData);
}

std::uint32_t AuthenticodeSignature::Parse(std::span<const std::uint8_t> signedData) {
    const auto der = StripSignedDataPadding(signedData);
    if (!der || der->size() > static_cast<std::size_t>(std::numeric_limits<long>::max())) {
        return kTrustENoSignature;
    }
    const unsigned char* cursor = der->data();
    pkcs7_.reset(d2i_PKCS7(nullptr, &cursor, static_cast<long>(der->size())));
    if (!pkcs7_ || !PKCS7_type_is_signed(pkcs7_.get()) || pkcs7_->d.sign == nullptr) {
        return kTrustENoSignature;
    }
    const std::optional<SpcIndirectData> indirect =
        ParseSpcIndirectData(IndirectDataDer(*pkcs7_->d.sign));
    STACK_OF(PKCS7_SIGNER_INFO)* const signers = PKCS7_get_signer_info(pkcs7_.get());
    if (!indirect || signers == nullptr || sk_PKCS7_SIGNER_INFO_num(signers) < 1) {
        return kTrustENoSignature;
    }
    indirectData_ = *indirect;
    signerInfo_ = sk_PKCS7_SIGNER_INFO_value(signers, 0);
    signerDigest_ = DigestAlgorithmFromOid(OidBytes(signerInfo_->digest_alg->algorithm));
    if (signerDigest_ == DigestAlgorithm::kUnsupported ||
        indirectData_.imageDigestAlgorithm == DigestAlgorithm::kUnsupported) {
        return kNteBadAlgid;
    }
    const PKCS7_ISSUER_AND_SERIAL* const issuerAndSerial = signerInfo_->issuer_and_serial;
    signer_ = X509_find_by_issuer_and_serial(Certificates(), issuerAndSerial->issuer,
                                             issuerAndSerial->serial);
    return signer_ == nullptr ? kTrustENoSignerCert : kErrorSuccess;
}

STACK_OF(X509) * AuthenticodeSignature::Certificates() const {
    return pkcs7_->d.sign->cert;
}

std::uint32_t AuthenticodeSignature::VerifyImageDigest(const ByteSource& file,
                                                       std::span<const ByteRange> ranges) const {
    Digest digest(indirectData_.imageDigestAlgorithm);
    if (!ReadRangesInChunks(file, ranges, [&digest](std::span<const std::uint8_t> bytes) {
            digest.Update(bytes);
        })) {
        return kTrustESubjectFormUnknown;
    }
    const std::vector<std::uint8_t> value = digest.Final();
    return !value.empty() && Equal(value, indirectData_.imageDigest) ? kErrorSuccess
                                                                     : kTrustEBadDigest;
}

std::uint32_t AuthenticodeSignature::VerifySignerSignature() const {
    const ASN1_OCTET_STRING* const messageDigest =
        PKCS7_digest_from_attributes(signerInfo_->auth_attr);
    if (messageDigest == nullptr || !HasSpcIndirectDataContentType(signerInfo_)) {
        return kTrustEBadDigest;
    }
    Digest contentDigest(signerDigest_);
    contentDigest.Update(indirectData_.content);
    const std::vector<std::uint8_t> value = contentDigest.Final();
    if (value.empty() || !Equal(value, Bytes(messageDigest))) {
        return kTrustEBadDigest;
    }
    const std::vector<std::uint8_t> attributes = SignedAttributesDer(signerInfo_);
    EVP_PKEY* const key = X509_get0_pubkey(signer_);
    const UniqueEvpMdCtx context(EVP_MD_CTX_new());
    const std::span<const std::uint8_t> signature = Bytes(signerInfo_->enc_digest);
    const bool verified =
        !attributes.empty() && key != nullptr && context &&
        EVP_DigestVerifyInit(context.get(), nullptr, EvpDigest(signerDigest_), nullptr, key) == 1 &&
        EVP_DigestVerify(context.get(), signature.data(), signature.size(), attributes.data(),
                         attributes.size()) == 1;
    return verified ? kErrorSuccess : kTrustEBadDigest;
}

std::u16string CertificateDisplayName(const X509* certificate) {
    const std::vector<NameAttribute> subject = SubjectAttributes(certificate);
    const std::vector<std::u16string> emails = Rfc822AltNames(certificate);
    return SimpleDisplayName(subject, emails);
}

} // namespace vg::platform::posix
