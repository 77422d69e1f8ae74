// Kills at chosen moments: inotify for the file anchors, SIGKILL, and the subreaper that
// collects what a killed run had started.
#include "reliability/crash_points.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int EnvironmentNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? static_cast<int>(std::stoul(text)) : fallback;
}

// The processes whose parent is this one: the adopted ones and the test's own children.
std::vector<pid_t> ChildrenOfThisProcess() {
    std::vector<pid_t> children;
    const std::string self = std::to_string(::getpid());
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // "pid (comm) state ppid ...": the command may hold blanks and parentheses.
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        std::string parent;
        rest >> state >> parent;
        if (parent == self) {
            children.push_back(static_cast<pid_t>(std::stoi(name)));
        }
    }
    return children;
}

} // namespace

std::string KillPoint::Describe() const {
    return std::to_string(delay.count()) + " us after " +
           (afterFile.empty() ? std::string("the start") : "\"" + afterFile + "\" appeared");
}

FolderWatch::FolderWatch(const fs::path& folder) : fd_(::inotify_init1(IN_CLOEXEC)) {
    if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
        throw std::runtime_error("cannot watch " + folder.string());
    }
}

FolderWatch::~FolderWatch() {
    ::close(fd_);
}

bool FolderWatch::WaitForAppearance(const std::string& name, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    alignas(inotify_event) char buffer[4096];
    while (Clock::now() < deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd readable{fd_, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) {
            continue;
        }
        const ssize_t length = ::read(fd_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name == event->name) {
                return true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return false;
}

KillOutcome KillAt(ChildProcess& program, FolderWatch& watch, const KillPoint& point) {
    KillOutcome outcome;
    const auto pid = static_cast<pid_t>(program.Id());
    // Long enough for a whole run; a run that ends without the anchor is simply not killed.
    outcome.anchorSeen = point.afterFile.empty() ||
                         watch.WaitForAppearance(point.afterFile, std::chrono::seconds(20));
    if (outcome.anchorSeen) {
        std::this_thread::sleep_for(point.delay);
        // A program that has already ended stays a zombie until Wait: the kill cannot reach
        // another process.
        ::kill(pid, SIGKILL);
    }
    outcome.result = program.Wait();
    outcome.killed = outcome.result.exitCode == 128 + SIGKILL;
    return outcome;
}

void AdoptOrphans() {
    if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
        throw std::runtime_error("cannot become a subreaper");
    }
}

bool WaitForAdoptedProcesses(std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const std::vector<pid_t> children = ChildrenOfThisProcess();
        for (const pid_t child : children) {
            ::waitpid(child, nullptr, WNOHANG);
        }
        if (ChildrenOfThisProcess().empty()) {
            return true;
        }
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

CrashSeries::CrashSeries(int defaultRuns)
    : runs_(EnvironmentNumber("VG_CRASH_RUNS", defaultRuns)),
      seed_(static_cast<std::uint32_t>(
          EnvironmentNumber("VG_CRASH_SEED", static_cast<int>(std::random_device()() >> 1)))),
      random_(seed_) {}

std::chrono::microseconds CrashSeries::DelayUpTo(std::chrono::microseconds upTo) {
    std::uniform_int_distribution<std::int64_t> draw(0, upTo.count());
    return std::chrono::microseconds(draw(random_));
}

} // namespace vg::test
