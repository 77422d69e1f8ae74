// vg-check-signer: CheckFileSigner on one file, for the signature benchmark. Usage:
// vg-check-signer FILE EXPECTED-NAME. Prints the result; exits 0 only when the name matched.
#include "platform/signature.h"
#include "util/text_encoding.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vg-check-signer FILE EXPECTED-NAME\n");
        return 2;
    }
    const std::uint32_t result =
        vg::platform::CheckFileSigner(vg::util::FromUtf8(argv[1]), vg::util::FromUtf8(argv[2]));
    std::printf("0x%08X\n", static_cast<unsigned>(result));
    return result == 0 ? 0 : 1;
}
