// Makes the test certificates with the openssl command and signs files with osslsigncode.
#include "support/code_signing.h"

#include "support/child_process.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

constexpr char kConfigName[] = "openssl.cnf";

// One file holds what every openssl command below reads: the request defaults, the extensions
// of each kind of certificate, and the small CA that "openssl ca" needs to issue a certificate
// whose validity lies in the past (x509 -days cannot do that).
std::string OpenSslConfig(const fs::path& dir) {
    const std::string ca = (dir / "ca").string();
    return "[req]\n"
           "distinguished_name = dn\n"
           "[dn]\n"
           "[root_ca]\n"
           "basicConstraints = critical, CA:TRUE\n"
           "keyUsage = critical, keyCertSign, cRLSign\n"
           "subjectKeyIdentifier = hash\n"
           "[code_signing]\n"
           "basicConstraints = CA:FALSE\n"
           "keyUsage = critical, digitalSignature\n"
           "extendedKeyUsage = codeSigning\n"
           "[server_auth]\n"
           "basicConstraints = CA:FALSE\n"
           "keyUsage = critical, digitalSignature\n"
           "extendedKeyUsage = serverAuth\n"
           "[ca]\n"
           "default_ca = test_ca\n"
           "[test_ca]\n"
           "database = " +
           ca + "/index.txt\n" + "new_certs_dir = " + ca + "\n" + "serial = " + ca +
           "/serial\n"
           "default_md = sha256\n"
           "policy = any_name\n"
           "unique_subject = no\n"
           "[any_name]\n"
           "countryName = optional\n"
           "organizationName = optional\n"
           "commonName = optional\n";
}

struct SignerSpec {
    std::string_view fileName;
    std::string_view subject;
    std::string_view extensions;
    bool rsa = false;
    bool selfSigned = false;
    bool expired = false;
};

SignerSpec SpecOf(TestSigner signer) {
    switch (signer) {
    case TestSigner::kPublisher:
        return {"publisher", "/C=KR/O=Varnugames/CN=Varnugames Co., Ltd.", "code_signing", true};
    case TestSigner::kOther:
        return {"other", "/CN=주식회사 다른게임즈", "code_signing"};
    case TestSigner::kOrganizationOnly:
        return {"organization", "/O=Varnugames", "code_signing"};
    case TestSigner::kExpired:
        return {"expired", "/CN=Varnugames Co., Ltd.", "code_signing", false, false, true};
    case TestSigner::kServerAuthOnly:
        return {"server", "/CN=Varnugames Co., Ltd.", "server_auth"};
    case TestSigner::kSelfSigned:
        return {"self-signed", "/CN=Varnugames Co., Ltd.", "code_signing", false, true};
    }
    throw std::logic_error("unknown signer");
}

std::vector<std::string> NewKeyArguments(bool rsa) {
    if (rsa) {
        return {"-newkey", "rsa:2048"};
    }
    return {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256"};
}

void Run(const std::string& program, const std::vector<std::string>& args) {
    const ProcessResult result = RunProcess(FindProgram(program), args);
    if (result.exitCode != 0) {
        std::string command = program;
        for (const std::string& arg : args) {
            command += " " + arg;
        }
        throw std::runtime_error(command + " failed: " + result.err + result.out);
    }
}

void RunOpenSsl(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    Run("openssl", args);
}

} // namespace

TestPki::TestPki(fs::path dir) : dir_(std::move(dir)) {
    fs::create_directories(dir_ / "ca");
    fs::create_directories(dir_ / "empty");
    WriteFile(dir_ / kConfigName, OpenSslConfig(dir_));
    WriteFile(dir_ / "ca" / "index.txt", "");
    WriteFile(dir_ / "ca" / "serial", "1000\n");
}

const fs::path& TestPki::RootCertificate() {
    return Root().certificate;
}

const TestPki::KeyPair& TestPki::Root() {
    const KeyPair root{dir_ / "root.pem", dir_ / "root.key"};
    // A root made earlier in the folder stays: a system may have been told to trust it.
    if (!root_ && fs::exists(root.certificate) && fs::exists(root.key)) {
        root_ = root;
    }
    if (!root_) {
        RunOpenSsl({"req", "-x509", "-new", "-nodes", "-config", (dir_ / kConfigName).string(),
                    "-extensions", "root_ca", "-subj", "/CN=Varnugames Test Root", "-days", "3650",
                    "-keyout", root.key.string(), "-out", root.certificate.string()},
                   NewKeyArguments(false));
        root_ = root;
    }
    return *root_;
}

const TestPki::KeyPair& TestPki::Signer(TestSigner signer) {
    auto found = signers_.find(signer);
    if (found == signers_.end()) {
        found = signers_.emplace(signer, MakeSigner(signer)).first;
    }
    return found->second;
}

TestPki::KeyPair TestPki::MakeSigner(TestSigner signer) {
    const SignerSpec wanted = SpecOf(signer);
    const std::string config = (dir_ / kConfigName).string();
    const std::string base = (dir_ / wanted.fileName).string();
    const KeyPair made{base + ".pem", base + ".key"};
    if (wanted.selfSigned) {
        RunOpenSsl({"req", "-x509", "-new", "-nodes", "-utf8", "-config", config, "-extensions",
                    std::string(wanted.extensions), "-subj", std::string(wanted.subject), "-days",
                    "3650", "-keyout", made.key.string(), "-out", made.certificate.string()},
                   NewKeyArguments(wanted.rsa));
        return made;
    }
    const KeyPair& root = Root();
    const std::string request = base + ".csr";
    RunOpenSsl({"req", "-new", "-nodes", "-utf8", "-config", config, "-subj",
                std::string(wanted.subject), "-keyout", made.key.string(), "-out", request},
               NewKeyArguments(wanted.rsa));
    if (wanted.expired) {
        Run("openssl", {"ca",          "-batch",
                        "-notext",     "-utf8",
                        "-config",     config,
                        "-extensions", std::string(wanted.extensions),
                        "-cert",       root.certificate.string(),
                        "-keyfile",    root.key.string(),
                        "-startdate",  "20200101000000Z",
                        "-enddate",    "20210101000000Z",
                        "-in",         request,
                        "-out",        made.certificate.string()});
    } else {
        Run("openssl",
            {"x509", "-req", "-in", request, "-CA", root.certificate.string(), "-CAkey",
             root.key.string(), "-set_serial", std::to_string(0x100 + static_cast<int>(signer)),
             "-days", "3650", "-extfile", config, "-extensions", std::string(wanted.extensions),
             "-out", made.certificate.string()});
    }
    return made;
}

void TestPki::Sign(const fs::path& in, const fs::path& out, TestSigner signer,
                   const std::string& digest, bool nest) {
    const KeyPair& credentials = Signer(signer);
    std::vector<std::string> args = {
        "sign", "-certs", credentials.certificate.string(), "-key", credentials.key.string(),
        "-h",   digest};
    if (nest) {
        args.push_back("-nest");
    }
    args.insert(args.end(), {"-in", in.string(), "-out", out.string()});
    fs::remove(out);
    Run("osslsigncode", args);
}

void TestPki::SignDetached(const fs::path& in, const fs::path& out, TestSigner signer) {
    const KeyPair& credentials = Signer(signer);
    fs::remove(out);
    Run("openssl", {"cms", "-sign", "-binary", "-outform", "DER", "-md", "sha256", "-signer",
                    credentials.certificate.string(), "-inkey", credentials.key.string(), "-in",
                    in.string(), "-out", out.string()});
}

void TestPki::TrustOnlyTestRoot() {
    ::setenv("SSL_CERT_FILE", RootCertificate().c_str(), 1);
    ::setenv("SSL_CERT_DIR", (dir_ / "empty").c_str(), 1);
}

std::string FindProgram(const std::string& name) {
    const char* const path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const fs::path candidate = fs::path(rest.substr(0, colon)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    throw std::runtime_error(name + " is not on PATH (scripts/install-deps installs it)");
}

TestPki& SharedTestPki() {
    static const TempDir dir;
    static TestPki pki(dir.Path());
    return pki;
}

} // namespace vg::test
