// vg-bench-signature: CheckFileSigner against "osslsigncode verify" on the same signed PE file.
// Prints each one's median time over alternating rounds, its throughput and its peak resident
// memory. Usage: vg-bench-signature [SIZE-IN-MIB] (default 256)
#include "support/code_signing.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "child_run.h"

namespace {

using vg::bench::kRounds;
using vg::bench::Measure;
using vg::bench::Median;
using vg::bench::Run;

namespace fs = std::filesystem;

/// A PE image whose data section fills it to about `bytes`.
vg::test::PeImage BigImage(std::uint64_t bytes) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(bytes));
    std::mt19937_64 generator(7);
    for (std::size_t i = 0; i + 8 <= data.size(); i += 8) {
        const std::uint64_t word = generator();
        std::memcpy(data.data() + i, &word, sizeof word);
    }
    vg::test::PeImageSpec image;
    image.kind = vg::test::PeKind::kPe32Plus;
    image.sections = {{".text", {0xC3}, vg::test::kSectionCode}, {".data", std::move(data)}};
    return vg::test::BuildPeImage(image);
}

void Print(const char* name, const Run& run, std::uint64_t bytes) {
    std::printf("%-22s %10.3f %10.1f %14ld%s\n", name, run.seconds,
                static_cast<double>(bytes) / 1e6 / run.seconds, run.peakRssKiB,
                run.ok ? "" : "  (verification failed)");
}

} // namespace

int main(int argc, char** argv) {
    // A child's peak memory counts the memory of the process it was started from, so the big
    // image is made by a child of its own and this process stays small.
    if (argc == 4 && std::string(argv[1]) == "--write-image") {
        vg::test::WriteBinaryFile(argv[2], BigImage(std::strtoull(argv[3], nullptr, 10)).bytes);
        return 0;
    }
    const std::uint64_t sizeMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
    const vg::test::TempDir dir;
    vg::test::TestPki pki(dir / "pki");
    const fs::path unsignedFile = dir / "unsigned.exe";
    const fs::path signedFile = dir / "signed.exe";
    if (!Measure({argv[0], "--write-image", unsignedFile, std::to_string(sizeMiB << 20)}).ok) {
        std::fprintf(stderr, "cannot write the image\n");
        return 1;
    }
    pki.Sign(unsignedFile, signedFile, vg::test::TestSigner::kPublisher);
    fs::remove(unsignedFile);
    pki.TrustOnlyTestRoot();

    const std::string checker = (fs::path(argv[0]).parent_path() / "vg-check-signer").string();
    const std::string osslsigncode = vg::test::FindProgram("osslsigncode");
    const std::string root = pki.RootCertificate().string();
    // Alternating rounds, so that both meet the same page cache.
    std::vector<Run> ours;
    std::vector<Run> theirs;
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(Measure({checker, signedFile.string(), "Varnugames Co., Ltd."}));
        theirs.push_back(Measure({osslsigncode, "verify", "-CAfile", root, "-in", signedFile}));
    }
    const std::uint64_t bytes = fs::file_size(signedFile);
    std::printf("%llu MiB signed PE32+ file, median of %d rounds\n",
                static_cast<unsigned long long>(sizeMiB), kRounds);
    std::printf("%-22s %10s %10s %14s\n", "", "seconds", "MB/s", "peak RSS KiB");
    Print("CheckFileSigner", Median(ours), bytes);
    Print("osslsigncode verify", Median(theirs), bytes);
    return 0;
}
