// Test certificates made with the openssl command and program files signed with osslsigncode,
// for the tests and benchmarks of the signer check.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vg::test {

/// The publisher's name in the test certificates.
inline constexpr char16_t kTestPublisherName[] = u"Varnugames Co., Ltd.";
/// The organisation of the publisher's certificate (also its only name in kOrganizationOnly).
inline constexpr char16_t kTestPublisherOrganization[] = u"Varnugames";
/// The common name of kOther, in UTF-8 in its certificate.
inline constexpr char16_t kTestOtherName[] = u"주식회사 다른게임즈";

/// The certificates a file can be signed with. All but kSelfSigned are issued by the test root.
enum class TestSigner {
    kPublisher,        ///< RSA; C, O and CN (the publisher's name); code signing
    kOther,            ///< EC; CN kTestOtherName; code signing
    kOrganizationOnly, ///< EC; its subject holds only O; code signing
    kExpired,          ///< EC; the publisher's name; code signing; valid only during 2020
    kServerAuthOnly,   ///< EC; the publisher's name; extended key usage serverAuth only
    kSelfSigned,       ///< EC; the publisher's name; code signing; issued by itself
};

/// A test root and the signers' certificates, made in a folder of their own on first use, so
/// that a test pays only for the certificates it signs with; a root already in the folder is
/// kept. Failures throw std::runtime_error with the tool's output.
class TestPki {
public:
    explicit TestPki(std::filesystem::path dir);

    /// The root certificate (PEM), made on first use.
    const std::filesystem::path& RootCertificate();

    /// Signs the program file `in` into `out` with osslsigncode, using the digest `digest`
    /// ("sha256", "sha1", ...). With `nest`, `in` is signed already and the signature is added
    /// as a nested one: the first signer stays what it was.
    void Sign(const std::filesystem::path& in, const std::filesystem::path& out, TestSigner signer,
              const std::string& digest = "sha256", bool nest = false);

    /// Makes a detached DER CMS signature over the bytes of `in` at `out` with "openssl cms",
    /// as a package published with a signature beside it is signed.
    void SignDetached(const std::filesystem::path& in, const std::filesystem::path& out,
                      TestSigner signer);

    /// Points SSL_CERT_FILE at the root certificate and SSL_CERT_DIR at an empty folder, so
    /// that the test root is the only root this process trusts.
    void TrustOnlyTestRoot();

private:
    struct KeyPair {
        std::filesystem::path certificate;
        std::filesystem::path key;
    };

    const KeyPair& Root();
    const KeyPair& Signer(TestSigner signer);
    KeyPair MakeSigner(TestSigner signer);

    std::filesystem::path dir_;
    std::optional<KeyPair> root_;
    std::map<TestSigner, KeyPair> signers_;
};

/// One TestPki for the whole test program, in a scratch folder of its own: each certificate is
/// made on first use, so a test pays only for the ones it signs with.
TestPki& SharedTestPki();

/// The full path of a program found on PATH; throws when there is none.
std::string FindProgram(const std::string& name);

} // namespace vg::test
