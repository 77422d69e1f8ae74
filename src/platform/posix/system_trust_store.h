// The system trust store as OpenSSL's defaults name it, with the trust file read once per process
// and handed to every TLS connection and signer check. POSIX backend, OpenSSL.
#pragma once

#include <openssl/x509_vfy.h>

#include <memory>

namespace vg::platform::posix {

struct TrustStoreRelease {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};

/// An owned trust store.
using TrustStoreRef = std::unique_ptr<X509_STORE, TrustStoreRelease>;

/// Adds to `store` what X509_STORE_set_default_paths would: the certificates of the trust file
/// ($SSL_CERT_FILE, else OpenSSL's default) and lookups in the trust folders ($SSL_CERT_DIR, else
/// OpenSSL's default). The file is parsed once and its certificates shared; it is parsed again
/// when the variable names another file or the file changes on disk. Thread-safe. False when
/// OpenSSL could not add them (out of memory); a missing file or folder is no error, it just
/// leaves its roots out, as with OpenSSL.
bool AddSystemTrust(X509_STORE* store);

/// A new store holding the system's trust, as AddSystemTrust fills it; null when out of memory.
TrustStoreRef NewSystemTrustStore();

} // namespace vg::platform::posix
