// Telemetry bursts from many threads at once, posted to the sandbox's collector over loopback
// TLS: everything queued before the shutdown reaches the collector exactly once, each thread's
// events in its own order, and events still arriving during the shutdown are either posted or
// still queued, never lost in between.
#include "telemetry/trel_client.h"

#include "net/http_post.h"
#include "net/sandbox_fixture.h"
#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace vg::telemetry {
namespace {

using namespace std::chrono_literals;

constexpr int kThreads = 8;

/// Events per thread: VG_BURST_EVENTS, or enough for CI to show the interleaving.
int EventsPerThread() {
    const char* text = std::getenv("VG_BURST_EVENTS");
    const int events = text ? std::atoi(text) : 0;
    return events > 0 ? events : 40;
}

std::string ActionCode(int thread, int index) {
    std::string code = "T";
    code += std::to_string(thread);
    code += '-';
    code += std::to_string(index);
    return code;
}

class TrelBurstTest : public test::SandboxTest {
protected:
    /// The action codes the collector received, in order of arrival.
    std::vector<std::string> Collected() const {
        std::vector<std::string> codes;
        for (const sandbox::RecordedRequest& request : sandbox_->Requests()) {
            if (request.host != test::kTelemetry || request.path != "/api/v1/prod/json") {
                continue;
            }
            EXPECT_TRUE(request.tls);
            const std::string field = "\"action_code\":\"";
            const std::size_t start = request.body.find(field) + field.size();
            codes.push_back(request.body.substr(start, request.body.find('"', start) - start));
        }
        return codes;
    }

    /// How many events of each thread arrived; fails for one that arrived twice or before an
    /// earlier event of its thread, or that no thread sent.
    std::vector<int> ArrivedPerThread(const std::vector<std::string>& codes) const {
        std::vector<int> next(kThreads, 0);
        std::map<std::string, int> seen;
        for (const std::string& code : codes) {
            EXPECT_EQ(++seen[code], 1) << code << " arrived again";
            const std::size_t dash = code.find('-');
            const int thread = code[0] == 'T' ? std::atoi(code.c_str() + 1) : -1;
            if (dash == std::string::npos || thread < 0 || thread >= kThreads) {
                ADD_FAILURE() << "an event nobody sent: " << code;
                continue;
            }
            EXPECT_EQ(code, ActionCode(thread, next[static_cast<std::size_t>(thread)]))
                << "out of order or after a gap";
            ++next[static_cast<std::size_t>(thread)];
        }
        return next;
    }

    // The program's own waits are 2 s per queued record: thousands of records would keep the
    // shutdown waiting for hours, though the worker posts them in seconds. The worker keeps
    // posting through either wait, so a short first wait and an ample last one test the same
    // promise: what is queued before the stop is posted if the worker gets through it in time.
    CTrel client_{net::PostTrelJson, TrelWaits{1ms, 120s}};
};

TEST_F(TrelBurstTest, EverythingQueuedBeforeTheStopIsPostedOnceInEachThreadsOrder) {
    client_.Init(0, u"live", u"mygame", u"m1");
    const int each = EventsPerThread();
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([this, thread, each] {
            for (int i = 0; i < each; ++i) {
                client_.SendEvent(util::FromUtf8(ActionCode(thread, i)), 0, u"");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const TrelStopResult stop = client_.FlushAndStop();
    ASSERT_TRUE(stop.workerEnded) << stop.queuedRecords << " records were queued at the stop";

    const std::vector<std::string> codes = Collected();
    EXPECT_EQ(codes.size(), static_cast<std::size_t>(kThreads * each));
    EXPECT_EQ(ArrivedPerThread(codes), std::vector<int>(kThreads, each));
    EXPECT_EQ(client_.QueuedRecordCount(), 0u);
}

TEST_F(TrelBurstTest, EventsSentDuringTheStopArePostedOrStayQueued) {
    client_.Init(0, u"live", u"mygame", u"m1");
    const int each = EventsPerThread();
    std::atomic<bool> stopping{false};
    std::vector<std::atomic<int>> sent(kThreads);
    // Per thread: the events whose SendEvent had returned before the stop began.
    std::vector<int> beforeStop(kThreads, 0);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            const auto slot = static_cast<std::size_t>(thread);
            for (int i = 0; i < each; ++i) {
                client_.SendEvent(util::FromUtf8(ActionCode(thread, i)), 0, u"");
                sent[slot] = i + 1;
                if (!stopping) {
                    beforeStop[slot] = i + 1;
                }
                // Slower than the worker posts, so that it can catch up and end while the
                // later events are still coming.
                std::this_thread::sleep_for(20ms);
            }
        });
    }
    // The stop begins when every thread has sent a quarter of its events.
    const auto quarterSent = [&] {
        return std::all_of(sent.begin(), sent.end(), [&](auto& n) { return n >= each / 4; });
    };
    while (!quarterSent()) {
        std::this_thread::sleep_for(1ms);
    }
    stopping = true;
    const TrelStopResult stop = client_.FlushAndStop();
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(stop.workerEnded);

    const std::vector<std::string> codes = Collected();
    const std::vector<int> arrived = ArrivedPerThread(codes);
    for (std::size_t thread = 0; thread < kThreads; ++thread) {
        EXPECT_GE(arrived[thread], beforeStop[thread]) << "thread " << thread;
    }
    // The worker has ended: what it did not post is still in the queue, none of it in between.
    EXPECT_EQ(codes.size() + client_.QueuedRecordCount(),
              static_cast<std::size_t>(kThreads * each));
}

} // namespace
} // namespace vg::telemetry
