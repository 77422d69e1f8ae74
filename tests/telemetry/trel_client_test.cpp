// The telemetry client with a recording sender: dropping before Init, queue order, the worker
// and the shutdown's waits.
#include "telemetry/trel_client.h"

#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vg::telemetry {
namespace {

using namespace std::chrono_literals;

/// Stands in for the collector: records what it is given, in order, and can be held closed so
/// that a send lasts until the test opens it.
class RecordingSender {
public:
    TrelSender Sender() {
        return [state = state_](int isTest, const std::string& document, std::u16string&) {
            std::unique_lock<std::mutex> lock(state->mutex);
            ++state->entered;
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->open; });
            state->sent.push_back({isTest, document});
            state->changed.notify_all();
            return 0u;
        };
    }

    void SetOpen(bool open) {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        state_->open = open;
        state_->changed.notify_all();
    }

    /// Waits until `count` sends have begun; false when they have not within a generous limit.
    bool WaitUntilEntered(std::size_t count) {
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->changed.wait_for(lock, 30s, [&] { return state_->entered >= count; });
    }

    bool WaitUntilSent(std::size_t count) {
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->changed.wait_for(lock, 30s, [&] { return state_->sent.size() >= count; });
    }

    std::vector<std::pair<int, std::string>> Sent() {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->sent;
    }

    /// The action code of each document sent, in order.
    std::vector<std::string> SentActionCodes() {
        std::vector<std::string> codes;
        for (const auto& [isTest, document] : Sent()) {
            const std::size_t start = document.find("\"action_code\":\"") + 15;
            codes.push_back(document.substr(start, document.find('"', start) - start));
        }
        return codes;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = true;
        std::size_t entered = 0;
        std::vector<std::pair<int, std::string>> sent;
    };
    // Shared with the worker, which may outlive the test's view of it.
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

class TrelClientTest : public testing::Test {
protected:
    // The program waits 2 s for each queued record and up to 10 s for the worker's end; the
    // order of the waits is what matters here, so they are short but the end wait is ample.
    RecordingSender recorder_;
    CTrel client_{recorder_.Sender(), TrelWaits{1ms, 30s}};
};

TEST_F(TrelClientTest, EventsBeforeInitAreDropped) {
    client_.SendEvent(u"START", 0, u"");
    EXPECT_EQ(client_.QueuedRecordCount(), 0u);
    const TrelStopResult stop = client_.FlushAndStop();
    EXPECT_EQ(stop.queuedRecords, 0u);
    EXPECT_TRUE(stop.workerEnded);
    EXPECT_TRUE(recorder_.Sent().empty());
}

TEST_F(TrelClientTest, InitSetsTheIdentityOnce) {
    client_.Init(1, u"qa", u"mygame", u"m1");
    ASSERT_TRUE(client_.IsInitialized());
    const TrelIdentity& identity = client_.Identity();
    EXPECT_EQ(identity.topic, u"production-test-topic");
    EXPECT_EQ(identity.serviceCode, u"mygame");
    EXPECT_EQ(identity.mid, u"m1");
    const std::u16string key = client_.SequenceKey();
    EXPECT_TRUE(key.empty() || key.size() == 32) << util::ToUtf8(key);
    EXPECT_TRUE(std::all_of(key.begin(), key.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
    })) << util::ToUtf8(key);
    client_.Init(0, u"live", u"other", u"m2");
    EXPECT_EQ(client_.Identity().serviceCode, u"mygame");
    EXPECT_EQ(client_.SequenceKey(), key);
    client_.FlushAndStop();
}

TEST_F(TrelClientTest, TheWorkerSendsEachDocumentInQueueOrder) {
    client_.Init(1, u"qa", u"mygame", u"m1");
    for (const char16_t* code : {u"START", u"SELFUPDATE", u"INIT", u"INSTALL", u"DONE"}) {
        client_.SendEvent(code, 0, u"");
    }
    client_.SendEvent(u"LAUNCH", 0xA0060001, u"C:\\게임\\L.exe");
    const TrelStopResult stop = client_.FlushAndStop();
    EXPECT_TRUE(stop.workerEnded);
    const std::vector<std::string> expected = {"START",   "SELFUPDATE", "INIT",
                                               "INSTALL", "DONE",       "LAUNCH"};
    EXPECT_EQ(recorder_.SentActionCodes(), expected);
    const auto sent = recorder_.Sent();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0].first, 1);
    // The sender is handed the document exactly as built, UTF-8 and all.
    EXPECT_EQ(sent[5].second,
              BuildEventDocument(client_.Identity(), "LAUNCH", 0xA0060001, u"C:\\게임\\L.exe")
                  .value_or(""));
}

TEST_F(TrelClientTest, LongActionCodesAreCutBetweenCharacters) {
    client_.Init(0, u"live", u"g", u"m");
    client_.SendEvent(std::u16string(100, u'가'), 0, u""); // 300 bytes of UTF-8
    client_.FlushAndStop();
    EXPECT_EQ(recorder_.SentActionCodes(),
              std::vector<std::string>{util::ToUtf8(std::u16string(86, u'가'))});
}

TEST_F(TrelClientTest, EventsFromTwoThreadsAreAllQueuedInTheOrderTheyTookTheLock) {
    client_.Init(0, u"live", u"g", u"m");
    constexpr int kEach = 50;
    const auto sendAll = [this](char prefix) {
        for (int i = 0; i < kEach; ++i) {
            client_.SendEvent(util::FromUtf8(prefix + std::to_string(i)), 0, u"");
        }
    };
    std::thread first(sendAll, 'A');
    std::thread second(sendAll, 'B');
    first.join();
    second.join();
    client_.FlushAndStop();
    const std::vector<std::string> codes = recorder_.SentActionCodes();
    ASSERT_EQ(codes.size(), 2u * kEach);
    // Each thread took the lock for its events one after the other, so each thread's events
    // arrive in its own order, however the two interleave.
    for (const char prefix : {'A', 'B'}) {
        int next = 0;
        for (const std::string& code : codes) {
            if (code[0] == prefix) {
                EXPECT_EQ(code, prefix + std::to_string(next));
                ++next;
            }
        }
        EXPECT_EQ(next, kEach);
    }
}

TEST_F(TrelClientTest, ARecordBeingSentIsNotCountedAndEveryQueuedOneIsSentBeforeTheEnd) {
    client_.Init(0, u"live", u"g", u"m");
    recorder_.SetOpen(false);
    client_.SendEvent(u"FIRST", 0, u"");
    ASSERT_TRUE(recorder_.WaitUntilEntered(1));
    for (const char16_t* code : {u"SECOND", u"THIRD", u"FOURTH"}) {
        client_.SendEvent(code, 0, u"");
    }
    EXPECT_EQ(client_.QueuedRecordCount(), 3u);
    recorder_.SetOpen(true);
    EXPECT_TRUE(client_.FlushAndStop().workerEnded);
    const std::vector<std::string> expected = {"FIRST", "SECOND", "THIRD", "FOURTH"};
    EXPECT_EQ(recorder_.SentActionCodes(), expected);
}

TEST(TrelShutdownTest, AWorkerStuckInASendIsLeftAfterTheWaits) {
    RecordingSender recorder;
    auto client = std::make_unique<CTrel>(recorder.Sender(), TrelWaits{1ms, 20ms});
    client->Init(0, u"live", u"g", u"m");
    recorder.SetOpen(false);
    client->SendEvent(u"FIRST", 0, u"");
    ASSERT_TRUE(recorder.WaitUntilEntered(1));
    client->SendEvent(u"SECOND", 0, u"");
    const TrelStopResult stop = client->FlushAndStop();
    EXPECT_EQ(stop.queuedRecords, 1u);
    EXPECT_FALSE(stop.workerEnded);
    EXPECT_TRUE(recorder.Sent().empty());
    // The client may go while its worker is still sending; the worker finishes its round on
    // what it shares with nobody else, then sees the stop flag and ends.
    client.reset();
    recorder.SetOpen(true);
    ASSERT_TRUE(recorder.WaitUntilSent(2));
    EXPECT_EQ(recorder.SentActionCodes(), (std::vector<std::string>{"FIRST", "SECOND"}));
}

TEST(TrelShutdownTest, AfterTheWorkerHasEndedEventsStayQueued) {
    RecordingSender recorder;
    CTrel client(recorder.Sender(), TrelWaits{1ms, 30s});
    const TrelStopResult stop = client.FlushAndStop();
    EXPECT_EQ(stop.queuedRecords, 0u);
    EXPECT_TRUE(stop.workerEnded);
    client.Init(0, u"live", u"g", u"m");
    client.SendEvent(u"LATE", 0, u"");
    EXPECT_EQ(client.QueuedRecordCount(), 1u);
    EXPECT_TRUE(recorder.Sent().empty());
}

TEST(TrelShutdownTest, TheProcessClientIsOneObject) {
    std::vector<std::shared_ptr<CTrel>> seen(4);
    std::vector<std::thread> threads;
    for (std::shared_ptr<CTrel>& slot : seen) {
        threads.emplace_back([&slot] { slot = CTrel::GetInstance(); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::shared_ptr<CTrel>& client : seen) {
        EXPECT_EQ(client, seen[0]);
    }
    EXPECT_TRUE(seen[0]->FlushAndStop().workerEnded);
}

} // namespace
} // namespace vg::telemetry
