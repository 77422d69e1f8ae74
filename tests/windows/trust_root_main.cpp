// vg-trust-root: adds the DER or PEM certificate in a file to the system's Root store, as the
// tests' Wine prefix must trust the publisher sandbox's CA. Win32 only.
#ifndef _WIN32
#error "Win32 only"
#endif

#include <windows.h>
// wincrypt.h needs the types windows.h declares.
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<BYTE> ReadAll(const wchar_t* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A PEM file carries base64 text between its armour lines; a DER file is the certificate itself.
std::vector<BYTE> CertificateBytes(const std::vector<BYTE>& file) {
    DWORD size = 0;
    const auto* text = reinterpret_cast<const char*>(file.data());
    const auto length = static_cast<DWORD>(file.size());
    if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
        return file;
    }
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                              nullptr)) {
        return file;
    }
    der.resize(size);
    return der;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: vg-trust-root CERTIFICATE-FILE\n", stderr);
        return 2;
    }
    const std::vector<BYTE> file = ReadAll(argv[1]);
    if (file.empty()) {
        std::fputs("vg-trust-root: cannot read the certificate file\n", stderr);
        return 1;
    }
    const std::vector<BYTE> der = CertificateBytes(file);
    if (!CertAddEncodedCertificateToSystemStoreW(L"Root", der.data(),
                                                 static_cast<DWORD>(der.size()))) {
        std::fprintf(stderr, "vg-trust-root: the Root store refused the certificate (%lu)\n",
                     GetLastError());
        return 1;
    }
    return 0;
}
