// The telemetry worker: waking, draining the queue and ending, on a thread of its own.
#include "telemetry/trel_worker.h"

#include <exception>
#include <future>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace vg::telemetry {
namespace {

/// The oldest record, taken off the queue; null when the queue is empty.
std::unique_ptr<TrelEvent> TakeFront(TrelQueue& group) {
    const std::lock_guard<std::mutex> lock(group.queueMutex);
    if (group.queue.empty()) {
        return nullptr;
    }
    std::unique_ptr<TrelEvent> record = std::move(group.queue.front());
    group.queue.pop_front();
    return record;
}

void Send(const TrelEvent& record) {
    if (!record.sender) {
        return;
    }
    std::u16string response;
    try {
        record.sender(record.isTest, record.body, response);
    } catch (const std::exception&) {
        // A send that throws is a failed send; it must not end the program from this thread.
    }
}

void SendQueuedRecords(TrelQueue& group) {
    // An empty queue and a null record both end the round.
    for (std::unique_ptr<TrelEvent> record = TakeFront(group); record; record = TakeFront(group)) {
        Send(*record);
    }
}

} // namespace

void AutoResetEvent::Set() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_one();
}

void AutoResetEvent::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
}

void EndSignal::Set() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

bool EndSignal::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return set_; });
}

bool EndSignal::IsSet() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return set_;
}

void Enqueue(TrelQueue& group, std::unique_ptr<TrelEvent> record) {
    const std::lock_guard<std::mutex> lock(group.queueMutex);
    group.queue.push_back(std::move(record));
    group.wakeEvent.Set();
}

std::size_t QueuedRecordCount(TrelQueue& group) {
    const std::lock_guard<std::mutex> lock(group.queueMutex);
    return group.queue.size();
}

std::uint32_t RunTrelWorker(TrelQueue* group, const std::function<void()>& ready) {
    const bool endAtOnce = group == nullptr || group->stopRequested.load() == 1;
    if (ready) {
        ready();
    }
    if (endAtOnce) {
        return 0;
    }
    for (;;) {
        group->wakeEvent.Wait();
        // The flag is read before the drain: a record queued while the drain ends and the stop
        // arrives is then still sent by one more round, not left behind.
        const bool stopWasRequested = group->stopRequested.load() == 1;
        SendQueuedRecords(*group);
        if (stopWasRequested) {
            return 0;
        }
    }
}

std::optional<TrelWorkerThread> TrelWorkerThread::Start(std::shared_ptr<TrelQueue> group) {
    auto leftProcedure = std::make_shared<EndSignal>();
    auto ready = std::make_shared<std::promise<void>>();
    std::future<void> checked = ready->get_future();
    std::thread thread;
    try {
        thread = std::thread([group = std::move(group), leftProcedure, ready]() mutable {
            RunTrelWorker(group.get(), [&ready] { ready->set_value(); });
            // Let go of the group first, so that whoever saw the end owns what is left of it.
            group.reset();
            leftProcedure->Set();
        });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    checked.wait();
    return TrelWorkerThread(std::move(thread), std::move(leftProcedure));
}

TrelWorkerThread::~TrelWorkerThread() {
    if (thread_.joinable()) {
        thread_.detach();
    }
}

bool TrelWorkerThread::WaitForEnd(std::chrono::milliseconds timeout) {
    if (!leftProcedure_->WaitFor(timeout)) {
        return false;
    }
    // The procedure has returned, so the join waits only for the thread's own exit.
    if (thread_.joinable()) {
        thread_.join();
    }
    return true;
}

bool TrelWorkerThread::HasEnded() {
    return WaitForEnd(std::chrono::milliseconds(0));
}

} // namespace vg::telemetry
