// vg-bench-download: HttpDownloadFile against the curl command, for the same files from the same
// sandbox over loopback TLS 1.2. Prints throughput, the ratio to curl and each client's peak
// resident memory. Usage: vg-bench-download [SIZE-IN-MIB ...] (default 64 256 1024)
#include "sandbox/sandbox.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

void MakeFile(const fs::path& path, std::uint64_t bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 generator(7);
    std::vector<std::uint64_t> block(1 << 17);
    for (std::uint64_t written = 0; written < bytes;) {
        for (auto& word : block) {
            word = generator();
        }
        const auto size = static_cast<std::streamsize>(
            std::min<std::uint64_t>(bytes - written, block.size() * sizeof(block[0])));
        out.write(reinterpret_cast<const char*>(block.data()), size);
        written += static_cast<std::uint64_t>(size);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::uint64_t> sizesMiB;
    for (int i = 1; i < argc; ++i) {
        sizesMiB.push_back(std::strtoull(argv[i], nullptr, 10));
    }
    if (sizesMiB.empty()) {
        sizesMiB = {64, 256, 1024};
    }
    const fs::path dir = fs::temp_directory_path() / ("vg-bench-" + std::to_string(::getpid()));
    const std::string host = "download.varnugames.com";
    // The downloads land in memory (tmpfs) unless VG_BENCH_OUT names a folder, so that the
    // figures measure the transfer rather than the disk.
    const char* outVariable = std::getenv("VG_BENCH_OUT");
    const fs::path outDir = outVariable && *outVariable ? fs::path(outVariable)
                            : fs::exists("/dev/shm")    ? fs::path("/dev/shm")
                                                        : dir;
    for (const auto size : sizesMiB) {
        MakeFile(dir / "root" / host / ("file" + std::to_string(size)), size << 20);
    }
    vg::sandbox::SandboxOptions options;
    options.root = dir / "root";
    options.workDir = dir / "work";
    vg::sandbox::Sandbox sandbox(options);
    ::setenv("VARNUGAMES_CONNECT_TO", sandbox.ConnectTo().c_str(), 1);
    ::setenv("SSL_CERT_FILE", sandbox.CaFile().c_str(), 1);
    const std::string client = (fs::path(argv[0]).parent_path() / "vg-download-client").string();
    const std::string connectTo = host + ":443:127.0.0.1:" + std::to_string(sandbox.TlsPort(host));

    std::printf("%-8s %12s %12s %8s %14s %14s\n", "size", "curl MB/s", "ours MB/s", "ratio",
                "curl peak KiB", "ours peak KiB");
    for (const auto size : sizesMiB) {
        const std::string name = "file" + std::to_string(size);
        const std::string out = (outDir / ("out-" + name)).string();
        // Alternating rounds, so that both clients meet the same page cache and disk.
        std::vector<Run> curlRuns;
        std::vector<Run> ourRuns;
        for (int round = 0; round < kRounds; ++round) {
            curlRuns.push_back(
                Measure({"curl", "--silent", "--show-error", "--fail", "--tlsv1.2", "--tls-max",
                         "1.2", "--cacert", sandbox.CaFile().string(), "--connect-to", connectTo,
                         "-o", out, "https://" + host + "/" + name}));
            fs::remove(out);
            ourRuns.push_back(Measure({client, host, "/" + name, out}));
            fs::remove(out);
        }
        const Run curl = Median(curlRuns);
        const Run ours = Median(ourRuns);
        const double mb = static_cast<double>(size << 20) / 1e6;
        std::printf("%-8s %12.1f %12.1f %8.2f %14ld %14ld%s\n",
                    (std::to_string(size) + "M").c_str(), mb / curl.seconds, mb / ours.seconds,
                    curl.seconds / ours.seconds, curl.peakRssKiB, ours.peakRssKiB,
                    curl.ok && ours.ok ? "" : "  (a download failed)");
    }
    fs::remove_all(dir);
    return 0;
}
