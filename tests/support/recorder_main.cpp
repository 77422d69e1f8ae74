// vg-test-recorder: stands in for a started program. It writes how it was started (its
// arguments, current folder, standard descriptors and every other open descriptor) and when (the
// system's monotonic clock on entering main) to the file named by VG_RECORD_FILE, then waits for
// the file named by VG_RECORD_HOLD, if any, to appear.
#include "support/launch_record_writer.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using vg::test::RecordLine;

std::string LinkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string("-") : std::string(target, static_cast<std::size_t>(length));
}

std::string Record(int argc, char** argv, std::chrono::steady_clock::time_point started) {
    const auto sinceBoot =
        std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch());
    std::string record = RecordLine("monotonic_ns", std::to_string(sinceBoot.count()));
    for (int i = 0; i < argc; ++i) {
        record += RecordLine("arg", argv[i]);
    }
    char cwd[PATH_MAX];
    record += RecordLine("cwd", ::getcwd(cwd, sizeof cwd) ? cwd : "-");
    DIR* fds = ::opendir("/proc/self/fd");
    const int listingFd = fds ? ::dirfd(fds) : -1;
    while (dirent* entry = fds ? ::readdir(fds) : nullptr) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || std::stoi(name) == listingFd) {
            continue;
        }
        const int fd = std::stoi(name);
        record += RecordLine((fd <= 2 ? "std" : "fd") + name, LinkTarget("/proc/self/fd/" + name));
    }
    if (fds) {
        ::closedir(fds);
    }
    return record;
}

} // namespace

int main(int argc, char** argv) {
    // Taken first, so that a benchmark sees when the started program began to run.
    const auto started = std::chrono::steady_clock::now();
    const char* recordFile = std::getenv("VG_RECORD_FILE");
    if (!recordFile) {
        return 2;
    }
    if (!vg::test::WriteRecordInPlace(recordFile, Record(argc, argv, started))) {
        return 3;
    }
    if (const char* hold = std::getenv("VG_RECORD_HOLD")) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::access(hold, F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return 0;
}
