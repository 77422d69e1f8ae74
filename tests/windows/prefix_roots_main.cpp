// vg-prefix-roots: makes the two test CAs that the tests' Wine prefix trusts, once per prefix,
// in the folder given: the publisher sandbox's CA in "sandbox" (ca.pem, ca-key.pem), from which
// every sandbox of the run issues its server certificate, and the code-signing test root in
// "code-signing". Prints the two certificate files, one per line, for the prefix's Root store.
#include "sandbox/sandbox.h"
#include "support/code_signing.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vg-prefix-roots FOLDER\n", stderr);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = fs::absolute(argv[1]);
    try {
        const vg::test::TempDir scratch;
        vg::sandbox::SandboxOptions options;
        options.root = scratch / "root";
        options.workDir = scratch / "work";
        options.caDir = folder / "sandbox";
        fs::create_directories(*options.caDir);
        const vg::sandbox::Sandbox sandbox(options);
        vg::test::TestPki codeSigning(folder / "code-signing");
        std::printf("%s\n%s\n", (*options.caDir / "ca.pem").c_str(),
                    codeSigning.RootCertificate().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vg-prefix-roots: %s\n", error.what());
        return 1;
    }
    return 0;
}
