// The sandbox's own test CA and the server certificate it issues for every sandbox host.
#pragma once

#include <openssl/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vg::sandbox {

struct X509Free {
    void operator()(X509* certificate) const;
};
struct PkeyFree {
    void operator()(EVP_PKEY* key) const;
};
using UniqueX509 = std::unique_ptr<X509, X509Free>;
using UniquePkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

/// A server certificate valid for the given host names, "localhost" and 127.0.0.1, issued by
/// the test CA, with its key.
class TlsIdentity {
public:
    /// Issues the certificate and writes ca.pem, server.pem and server-key.pem into `workDir`.
    /// The CA comes from `caDir` (ca.pem and ca-key.pem, made there when missing), else it is
    /// made once per process. Throws std::runtime_error.
    TlsIdentity(const std::vector<std::string>& hostNames, const std::filesystem::path& workDir,
                const std::optional<std::filesystem::path>& caDir);

    [[nodiscard]] X509* Certificate() const { return certificate_.get(); }
    [[nodiscard]] EVP_PKEY* Key() const { return key_.get(); }

private:
    UniqueX509 certificate_;
    UniquePkey key_;
};

} // namespace vg::sandbox
