// The sandbox's own test CA and server certificate, made with the OpenSSL 3 API.
#include "sandbox/test_ca.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>
#include <system_error>

namespace vg::sandbox {
namespace {

constexpr long kDaySeconds = 24 * 60 * 60;
constexpr long kCaDays = 10 * 365;
constexpr long kServerDays = 365;

struct BioFree {
    void operator()(BIO* bio) const { BIO_free_all(bio); }
};
struct BnFree {
    void operator()(BIGNUM* number) const { BN_free(number); }
};
struct ExtensionFree {
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
};

struct Authority {
    UniqueX509 certificate;
    UniquePkey key;
};

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("test certificates: " + what);
}

UniquePkey MakeRsaKey() {
    // RSA rather than EC: every TLS 1.2 client, Wine's included, takes RSA server keys.
    UniquePkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<std::size_t>(2048)));
    if (!key) {
        Fail("cannot make an RSA key");
    }
    return key;
}

void SetRandomSerial(X509* certificate) {
    unsigned char bytes[8];
    if (RAND_bytes(bytes, sizeof bytes) != 1) {
        Fail("no random serial number");
    }
    bytes[0] &= 0x7F; // a positive number
    const std::unique_ptr<BIGNUM, BnFree> number(BN_bin2bn(bytes, sizeof bytes, nullptr));
    if (!number ||
        BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(certificate)) == nullptr) {
        Fail("cannot set a serial number");
    }
}

void AddNameEntry(X509_NAME* name, const char* field, const std::string& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.c_str());
    if (X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC, bytes, -1, -1, 0) != 1) {
        Fail("cannot set a subject name");
    }
}

void SetName(X509_NAME* name, const std::string& commonName) {
    AddNameEntry(name, "O", "Varnugames Sandbox");
    AddNameEntry(name, "CN", commonName);
}

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    const std::unique_ptr<X509_EXTENSION, ExtensionFree> extension(
        X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    if (!extension || X509_add_ext(certificate, extension.get(), -1) != 1) {
        Fail("cannot add the extension " + value);
    }
}

/// A certificate with everything but its extensions and signature.
UniqueX509 StartCertificate(EVP_PKEY* key, const std::string& commonName, long days) {
    UniqueX509 certificate(X509_new());
    if (!certificate || X509_set_version(certificate.get(), 2) != 1 ||
        X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -kDaySeconds) == nullptr ||
        X509_gmtime_adj(X509_getm_notAfter(certificate.get()), days * kDaySeconds) == nullptr ||
        X509_set_pubkey(certificate.get(), key) != 1) {
        Fail("cannot start a certificate");
    }
    SetRandomSerial(certificate.get());
    SetName(X509_get_subject_name(certificate.get()), commonName);
    return certificate;
}

void Sign(X509* certificate, EVP_PKEY* issuerKey) {
    if (X509_sign(certificate, issuerKey, EVP_sha256()) == 0) {
        Fail("cannot sign a certificate");
    }
}

Authority MakeAuthority() {
    Authority authority{nullptr, MakeRsaKey()};
    authority.certificate =
        StartCertificate(authority.key.get(), "Varnugames Sandbox Test CA", kCaDays);
    X509* certificate = authority.certificate.get();
    if (X509_set_issuer_name(certificate, X509_get_subject_name(certificate)) != 1) {
        Fail("cannot set the CA's issuer");
    }
    AddExtension(certificate, certificate, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate, certificate, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(certificate, certificate, NID_subject_key_identifier, "hash");
    Sign(certificate, authority.key.get());
    return authority;
}

std::string SubjectAltNames(const std::vector<std::string>& hostNames) {
    std::string names;
    for (const std::string& name : hostNames) {
        names += "DNS:" + name + ",";
    }
    // Clients that route a host to the loopback address check the certificate against that
    // address. Wine's WinHTTP compares it with DNS names only, so the address is named both ways.
    return names + "DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1";
}

UniqueX509 IssueServerCertificate(const Authority& authority, EVP_PKEY* key,
                                  const std::vector<std::string>& hostNames) {
    UniqueX509 certificate = StartCertificate(key, "Varnugames Sandbox", kServerDays);
    X509* issuer = authority.certificate.get();
    if (X509_set_issuer_name(certificate.get(), X509_get_subject_name(issuer)) != 1) {
        Fail("cannot set the server certificate's issuer");
    }
    AddExtension(certificate.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(certificate.get(), issuer, NID_key_usage,
                 "critical,digitalSignature,keyEncipherment");
    AddExtension(certificate.get(), issuer, NID_ext_key_usage, "serverAuth");
    AddExtension(certificate.get(), issuer, NID_subject_alt_name, SubjectAltNames(hostNames));
    AddExtension(certificate.get(), issuer, NID_subject_key_identifier, "hash");
    AddExtension(certificate.get(), issuer, NID_authority_key_identifier, "keyid:always");
    Sign(certificate.get(), authority.key.get());
    return certificate;
}

std::unique_ptr<BIO, BioFree> OpenBio(const std::filesystem::path& path, const char* mode) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new_file(path.c_str(), mode));
    if (!bio) {
        Fail("cannot open " + path.string());
    }
    return bio;
}

void WriteCertificate(const std::filesystem::path& path, X509* certificate) {
    if (PEM_write_bio_X509(OpenBio(path, "w").get(), certificate) != 1) {
        Fail("cannot write " + path.string());
    }
}

void WriteKey(const std::filesystem::path& path, EVP_PKEY* key) {
    if (PEM_write_bio_PrivateKey(OpenBio(path, "w").get(), key, nullptr, nullptr, 0, nullptr,
                                 nullptr) != 1) {
        Fail("cannot write " + path.string());
    }
}

Authority LoadAuthority(const std::filesystem::path& certificateFile,
                        const std::filesystem::path& keyFile) {
    Authority authority{UniqueX509(PEM_read_bio_X509(OpenBio(certificateFile, "r").get(), nullptr,
                                                     nullptr, nullptr)),
                        UniquePkey(PEM_read_bio_PrivateKey(OpenBio(keyFile, "r").get(), nullptr,
                                                           nullptr, nullptr))};
    if (!authority.certificate || !authority.key ||
        X509_check_private_key(authority.certificate.get(), authority.key.get()) != 1) {
        Fail(certificateFile.string() + " and " + keyFile.string() + " are not a CA and its key");
    }
    return authority;
}

Authority AuthorityFromFolder(const std::filesystem::path& folder) {
    const std::filesystem::path certificateFile = folder / "ca.pem";
    const std::filesystem::path keyFile = folder / "ca-key.pem";
    if (std::filesystem::exists(certificateFile) && std::filesystem::exists(keyFile)) {
        return LoadAuthority(certificateFile, keyFile);
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    Authority authority = MakeAuthority();
    WriteKey(keyFile, authority.key.get());
    WriteCertificate(certificateFile, authority.certificate.get());
    return authority;
}

// Key making dominates a sandbox's start, so the sandboxes of one process (a test program
// starts many) share the CA and the server key.
const Authority& SharedAuthority() {
    static const Authority authority = MakeAuthority();
    return authority;
}

EVP_PKEY* SharedServerKey() {
    static const UniquePkey key = MakeRsaKey();
    return key.get();
}

UniquePkey Share(EVP_PKEY* key) {
    EVP_PKEY_up_ref(key);
    return UniquePkey(key);
}

} // namespace

void X509Free::operator()(X509* certificate) const {
    X509_free(certificate);
}

void PkeyFree::operator()(EVP_PKEY* key) const {
    EVP_PKEY_free(key);
}

TlsIdentity::TlsIdentity(const std::vector<std::string>& hostNames,
                         const std::filesystem::path& workDir,
                         const std::optional<std::filesystem::path>& caDir) {
    const Authority folderAuthority = caDir ? AuthorityFromFolder(*caDir) : Authority{};
    const Authority& authority = caDir ? folderAuthority : SharedAuthority();
    key_ = Share(SharedServerKey());
    certificate_ = IssueServerCertificate(authority, key_.get(), hostNames);
    WriteCertificate(workDir / "ca.pem", authority.certificate.get());
    WriteCertificate(workDir / "server.pem", certificate_.get());
    WriteKey(workDir / "server-key.pem", key_.get());
}

} // namespace vg::sandbox
