// vg-bench-send-event: what CTrel::SendEvent costs its caller while the client's worker posts
// the events to a collector over loopback TLS, and while the collector's port is closed. Prints
// the median, 99th percentile and maximum of the calls. Usage: vg-bench-send-event [EVENTS]
// (default 10000)
#include "net/http_post.h"
#include "sandbox/sandbox.h"
#include "telemetry/trel_client.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <netinet/in.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kGoalMicroseconds = 50;

/// The events of a game start, sent in turn; the last has a description as a failure has.
constexpr std::array<std::u16string_view, 8> kActionCodes = {
    u"START", u"SELFUPDATE", u"INIT", u"INSTALL", u"PATCH", u"POSTPATCH", u"LAUNCH", u"DONE"};
constexpr std::u16string_view kDescription =
    u"Failed to Launcher.exe downlaod. (ErrorCode = 12029, URL = "
    u"download.varnugames.com/launcher/L.exe) ";

struct Figures {
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
    std::size_t sentMeanwhile = 0; ///< events the worker had posted when the calls were done
    std::size_t overGoal = 0;      ///< calls that took longer than the goal
    std::size_t preempted = 0;     ///< of those, calls during which the scheduler ran another
    std::size_t blocked = 0;       ///< of those, calls that waited (for the queue lock)
};

/// The calling thread's context switches so far: given up by waiting, and taken by the
/// scheduler.
struct ContextSwitches {
    long waited = 0;
    long preempted = 0;
};

ContextSwitches ThreadContextSwitches() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return {usage.ru_nvcsw, usage.ru_nivcsw};
}

/// A port on 127.0.0.1 that nothing listens on: one the system gave out and that was closed.
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

/// Calls SendEvent `count` times on a client of its own, timing each call. The client posts
/// with the program's own sender for as long as the calls last; the events still queued after
/// that are dropped unsent, so that the shutdown does not wait for thousands of posts.
Figures Measure(std::size_t count) {
    auto measuring = std::make_shared<std::atomic<bool>>(true);
    auto sent = std::make_shared<std::atomic<std::size_t>>(0);
    vg::telemetry::TrelSender sender = [measuring, sent](int isTest, const std::string& document,
                                                         std::u16string& response) {
        if (!measuring->load()) {
            return 0u;
        }
        const std::uint32_t result = vg::net::PostTrelJson(isTest, document, response);
        ++*sent;
        return result;
    };
    vg::telemetry::CTrel client(
        sender, vg::telemetry::TrelWaits{std::chrono::milliseconds(0), std::chrono::seconds(30)});
    client.Init(0, u"live", u"mygame", u"m1");

    Figures figures;
    std::vector<double> micros(count);
    for (std::size_t i = 0; i < count; ++i) {
        const bool failure = i % kActionCodes.size() == kActionCodes.size() - 1;
        // The context switches are counted outside the timed part: they tell why a call was slow.
        const ContextSwitches switchesBefore = ThreadContextSwitches();
        const auto before = Clock::now();
        client.SendEvent(kActionCodes[i % kActionCodes.size()], failure ? 0xA0050001u : 0u,
                         failure ? kDescription : std::u16string_view());
        micros[i] = std::chrono::duration<double, std::micro>(Clock::now() - before).count();
        const ContextSwitches switchesAfter = ThreadContextSwitches();
        if (micros[i] >= kGoalMicroseconds) {
            ++figures.overGoal;
            figures.preempted += switchesAfter.preempted > switchesBefore.preempted ? 1 : 0;
            figures.blocked += switchesAfter.waited > switchesBefore.waited ? 1 : 0;
        }
    }
    figures.sentMeanwhile = sent->load();
    measuring->store(false);
    if (!client.FlushAndStop().workerEnded) {
        std::fprintf(stderr, "the worker did not end within 30 s\n");
    }
    std::sort(micros.begin(), micros.end());
    figures.medianUs = micros[count / 2];
    figures.p99Us = micros[std::min(count - 1, count * 99 / 100)];
    figures.maxUs = micros.back();
    return figures;
}

void PrintRow(const char* collector, const Figures& figures, std::size_t count) {
    std::printf("%-24s %9.2f %9.2f %9.1f %8zu %7zu/%-7zu %9zu/%zu  %s\n", collector,
                figures.medianUs, figures.p99Us, figures.maxUs, figures.overGoal, figures.preempted,
                figures.blocked, figures.sentMeanwhile, count,
                figures.p99Us < kGoalMicroseconds ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    const long requested = argc > 1 ? std::atol(argv[1]) : 10000;
    if (requested < 1) {
        std::fprintf(stderr, "usage: vg-bench-send-event [EVENTS]\n");
        return 2;
    }
    const auto count = static_cast<std::size_t>(requested);
    try {
        const fs::path dir = fs::temp_directory_path() / ("vg-bench-" + std::to_string(::getpid()));
        const std::string host = vg::util::ToUtf8(vg::deployment::kTelemetryHost);
        Figures reachable;
        Figures closed;
        {
            vg::sandbox::SandboxOptions options;
            options.root = dir / "root";
            options.workDir = dir / "work";
            vg::sandbox::Sandbox sandbox(options);
            ::setenv("SSL_CERT_FILE", sandbox.CaFile().c_str(), 1);
            ::setenv("VARNUGAMES_CONNECT_TO", sandbox.ConnectTo().c_str(), 1);
            reachable = Measure(count);
            // The worker has ended, so nothing reads the environment while it changes.
            const std::string closedRoute = host + ":443:127.0.0.1:" + std::to_string(ClosedPort());
            ::setenv("VARNUGAMES_CONNECT_TO", closedRoute.c_str(), 1);
            closed = Measure(count);
        }
        fs::remove_all(dir);

        std::printf("CTrel::SendEvent on the caller's thread, %zu calls each, while the worker "
                    "posts to the collector\n",
                    count);
        std::printf("(document built, record queued, worker woken; the queue has no bound and "
                    "the caller never waits for a post)\n");
        std::printf(">= goal: calls that took the goal or longer; preempt/blocked: how many of "
                    "them the scheduler\ninterrupted, and how many waited for the queue lock; "
                    "posted: events the worker had sent\nwhen the last call returned\n\n");
        std::printf("%-24s %9s %9s %9s %8s %15s %14s  goal: p99 under %.0f us\n", "collector",
                    "median us", "p99 us", "max us", ">= goal", "preempt/blocked", "posted/calls",
                    kGoalMicroseconds);
        PrintRow("sandbox, loopback TLS", reachable, count);
        PrintRow("closed port on loopback", closed, count);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vg-bench-send-event: %s\n", error.what());
        return 1;
    }
}
