// The telemetry queue and the worker thread that sends its records one at a time.
#pragma once

#include "telemetry/trel_event.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vg::telemetry {

/// Releases one wait per Set and then resets itself, as an auto-reset event does; a Set with
/// nobody waiting lets the next Wait through at once.
class AutoResetEvent {
public:
    void Set();
    void Wait();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

/// Set once and never reset; others wait for it with a time-out.
class EndSignal {
public:
    void Set();
    /// True when the signal is set or becomes set within the time-out.
    bool WaitFor(std::chrono::milliseconds timeout);
    [[nodiscard]] bool IsSet();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
};

/// What the worker shares with its client, and all that it uses: pending records (oldest at the
/// front), the event that wakes the worker, the stop flag and the lock that guards the queue.
struct TrelQueue {
    std::deque<std::unique_ptr<TrelEvent>> queue;
    AutoResetEvent wakeEvent;
    std::atomic<std::uint8_t> stopRequested{0};
    std::mutex queueMutex;
};

/// Appends a record at the back and sets the wake event, both under the queue lock.
void Enqueue(TrelQueue& group, std::unique_ptr<TrelEvent> record);

/// The number of records waiting; one being sent is no longer counted.
std::size_t QueuedRecordCount(TrelQueue& group);

/// The worker's procedure: returns at once for a null group or a stop already requested;
/// otherwise waits for the wake event, sends every queued record in order (the lock is held only
/// to take one; a null record ends the round), and returns after the first round that finds the
/// stop flag set. A record's result, its answer and a send that throws are ignored: a failed event
/// is not sent again. `ready`, when given, is called once the argument and the stop flag have been
/// checked, before the first wait or the early return. Returns 0.
std::uint32_t RunTrelWorker(TrelQueue* group, const std::function<void()>& ready = {});

/// The worker thread of one client, held as a thread handle is: to wait for its end. The thread
/// co-owns its group, so the client can go while the worker is still sending; letting go of a
/// thread that has not ended leaves it running, detached.
class TrelWorkerThread {
public:
    /// Starts RunTrelWorker on the group and returns once the worker has checked the stop flag, so
    /// that a stop requested afterwards always finds a waiting worker that drains the queue;
    /// nothing when the system cannot start a thread.
    static std::optional<TrelWorkerThread> Start(std::shared_ptr<TrelQueue> group);

    TrelWorkerThread(TrelWorkerThread&&) noexcept = default;
    TrelWorkerThread& operator=(TrelWorkerThread&&) = delete;
    ~TrelWorkerThread();

    /// True when the thread has ended or ends within the time-out. Ended means gone, with its
    /// thread-local state released, as a thread handle is signalled only then.
    bool WaitForEnd(std::chrono::milliseconds timeout);
    [[nodiscard]] bool HasEnded();

private:
    TrelWorkerThread(std::thread thread, std::shared_ptr<EndSignal> leftProcedure)
        : thread_(std::move(thread)), leftProcedure_(std::move(leftProcedure)) {}

    std::thread thread_;
    std::shared_ptr<EndSignal> leftProcedure_;
};

} // namespace vg::telemetry
