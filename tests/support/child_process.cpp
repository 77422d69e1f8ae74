// Child processes for tests: posix_spawn with pipes for standard output and error (Windows:
// child_process_win32.cpp), and the waits that both share.
#include "support/child_process.h"

#include <filesystem>
#include <thread>

#ifndef _WIN32
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace vg::test {

#ifndef _WIN32
namespace {

std::vector<std::string> MergedEnvironment(const EnvironmentChanges& changes) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (changes.find(name) == changes.end()) {
            merged.push_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            merged.push_back(name + "=" + *value);
        }
    }
    return merged;
}

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

void DrainInto(int fd, std::string& sink, bool& open) {
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got > 0) {
        sink.append(buffer.data(), static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
        open = false;
    }
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const EnvironmentChanges& environment)
    : started_(std::chrono::steady_clock::now()) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = MergedEnvironment(environment);
    std::vector<char*> argvPointers = PointersTo(argv);
    std::vector<char*> envPointers = PointersTo(env);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argvPointers.data(),
                               envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
    if (outFd_ >= 0) {
        ::close(outFd_);
    }
    if (errFd_ >= 0) {
        ::close(errFd_);
    }
}

ProcessResult ChildProcess::Wait() {
    ProcessResult result;
    bool outOpen = true;
    bool errOpen = true;
    while (outOpen || errOpen) {
        std::array<pollfd, 2> fds{
            {{outOpen ? outFd_ : -1, POLLIN, 0}, {errOpen ? errFd_ : -1, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            break;
        }
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            DrainInto(outFd_, result.out, outOpen);
        }
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            DrainInto(errFd_, result.err, errOpen);
        }
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started_);
    return result;
}

std::uint32_t ChildProcess::Id() const {
    return static_cast<std::uint32_t>(pid_);
}
#endif

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const EnvironmentChanges& environment) {
    ChildProcess child(program, args, environment);
    return child.Wait();
}

bool WaitForFile(const std::string& path, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace vg::test
