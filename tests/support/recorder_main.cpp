// vg-test-recorder: stands in for a started program. It writes how it was started (its
// arguments, current folder, standard descriptors and every other open descriptor) to the file
// named by VG_RECORD_FILE, then waits for the file named by VG_RECORD_HOLD, if any, to appear.
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string LinkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    return length < 0 ? std::string("-") : std::string(target, static_cast<std::size_t>(length));
}

std::string Record(int argc, char** argv) {
    std::string record;
    for (int i = 0; i < argc; ++i) {
        record += "arg=" + Escaped(argv[i]) + "\n";
    }
    char cwd[PATH_MAX];
    record += "cwd=" + Escaped(::getcwd(cwd, sizeof cwd) ? cwd : "-") + "\n";
    DIR* fds = ::opendir("/proc/self/fd");
    const int listingFd = fds ? ::dirfd(fds) : -1;
    while (dirent* entry = fds ? ::readdir(fds) : nullptr) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || std::stoi(name) == listingFd) {
            continue;
        }
        const int fd = std::stoi(name);
        const std::string target = Escaped(LinkTarget("/proc/self/fd/" + name));
        record += (fd <= 2 ? "std" : "fd") + name + "=" + target + "\n";
    }
    if (fds) {
        ::closedir(fds);
    }
    return record;
}

} // namespace

int main(int argc, char** argv) {
    const char* recordFile = std::getenv("VG_RECORD_FILE");
    if (!recordFile) {
        return 2;
    }
    const std::string record = Record(argc, argv);
    // Written beside the target and renamed, so a reader never sees half a record.
    const std::string partial = std::string(recordFile) + ".partial";
    FILE* out = std::fopen(partial.c_str(), "w");
    if (!out) {
        return 3;
    }
    std::fputs(record.c_str(), out);
    std::fclose(out);
    std::rename(partial.c_str(), recordFile);

    if (const char* hold = std::getenv("VG_RECORD_HOLD")) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::access(hold, F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return 0;
}
