// The system trust store without the cost of reading it: parsing the system's bundle of roots
// takes tens of milliseconds, far more than a request over loopback, so it is parsed once and its
// certificates are added to each new store, which takes a fraction of a millisecond.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/system_trust_store.h"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

namespace vg::platform::posix {
namespace {

/// The trust file as OpenSSL picks it, and what stat says of it, so that a file rewritten or
/// replaced under the same name is told apart from the one parsed before.
std::string TrustFileIdentity() {
    const char* const variable = std::getenv(X509_get_default_cert_file_env());
    const std::string path = variable != nullptr ? variable : X509_get_default_cert_file();
    // An empty value names no file; it is not the absence of the variable.
    std::string identity = variable != nullptr ? "set:" : "default:";
    identity += path;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        for (const auto number : {std::uint64_t{info.st_dev}, std::uint64_t{info.st_ino},
                                  static_cast<std::uint64_t>(info.st_size),
                                  static_cast<std::uint64_t>(info.st_mtim.tv_sec),
                                  static_cast<std::uint64_t>(info.st_mtim.tv_nsec)}) {
            identity += ':';
            identity += std::to_string(number);
        }
    }
    return identity;
}

/// A store holding only the trust file's certificates and revocation lists. Nothing changes it
/// once it is made, so any thread may read it.
TrustStoreRef ParseTrustFile() {
    TrustStoreRef store(X509_STORE_new());
    X509_LOOKUP* const file =
        store ? X509_STORE_add_lookup(store.get(), X509_LOOKUP_file()) : nullptr;
    if (file == nullptr) {
        return nullptr;
    }
    X509_LOOKUP_load_file(file, nullptr, X509_FILETYPE_DEFAULT);
    return store;
}

TrustStoreRef NewReference(X509_STORE* store) {
    if (store == nullptr || X509_STORE_up_ref(store) != 1) {
        return nullptr;
    }
    return TrustStoreRef(store);
}

/// The parsed trust file of the current environment, parsed again when it has changed.
TrustStoreRef ParsedTrustFile() {
    struct Cache {
        std::mutex mutex;
        std::string identity;
        TrustStoreRef parsed;
    };
    // Never destroyed: OpenSSL may have cleaned up at exit before a static would be.
    static Cache& cache = *new Cache;
    std::string identity = TrustFileIdentity();
    const std::lock_guard lock(cache.mutex);
    if (!cache.parsed || cache.identity != identity) {
        cache.parsed = ParseTrustFile();
        cache.identity = std::move(identity);
    }
    return NewReference(cache.parsed.get());
}

bool AddObjects(X509_STORE* store, X509_STORE* source) {
    const STACK_OF(X509_OBJECT)* const objects = X509_STORE_get0_objects(source);
    for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
        X509_OBJECT* const object = sk_X509_OBJECT_value(objects, i);
        X509* const certificate = X509_OBJECT_get0_X509(object);
        X509_CRL* const crl = X509_OBJECT_get0_X509_CRL(object);
        const bool added = certificate != nullptr ? X509_STORE_add_cert(store, certificate) == 1
                           : crl != nullptr       ? X509_STORE_add_crl(store, crl) == 1
                                                  : true;
        if (!added) {
            return false;
        }
    }
    return true;
}

/// The folders are looked in when a certificate is needed, both ways OpenSSL's defaults do.
bool AddFolderLookups(X509_STORE* store) {
    X509_LOOKUP* const hashed = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
    X509_LOOKUP* const named = X509_STORE_add_lookup(store, X509_LOOKUP_store());
    if (hashed == nullptr || named == nullptr) {
        return false;
    }
    X509_LOOKUP_add_dir(hashed, nullptr, X509_FILETYPE_DEFAULT);
    X509_LOOKUP_add_store(named, nullptr);
    return true;
}

} // namespace

bool AddSystemTrust(X509_STORE* store) {
    // Missing files and folders leave errors behind; OpenSSL's defaults drop them, and so does
    // this, leaving whatever the thread's queue held before.
    ERR_set_mark();
    const TrustStoreRef parsed = ParsedTrustFile();
    const bool added = parsed && AddObjects(store, parsed.get()) && AddFolderLookups(store);
    ERR_pop_to_mark();
    return added;
}

TrustStoreRef NewSystemTrustStore() {
    TrustStoreRef store(X509_STORE_new());
    if (!store || !AddSystemTrust(store.get())) {
        return nullptr;
    }
    return store;
}

} // namespace vg::platform::posix
