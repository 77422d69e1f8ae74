// The telemetry client: the run's identity, event documents queued for the worker, and the
// shutdown that gives the worker time to send them.
#pragma once

#include "telemetry/trel_document.h"
#include "telemetry/trel_event.h"
#include "telemetry/trel_worker.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vg::telemetry {

/// How long the shutdown waits for the worker.
struct TrelWaits {
    /// For each record still queued when the shutdown starts, before the stop flag is set.
    std::chrono::milliseconds perQueuedRecord{2000};
    /// At most, for a worker still running once the stop flag is set.
    std::chrono::milliseconds workerEnd{10000};
};

/// What the shutdown found.
struct TrelStopResult {
    /// Records waiting when the shutdown started (one being sent then is not counted).
    std::size_t queuedRecords = 0;
    /// True when the worker had ended by the time the shutdown returned.
    bool workerEnded = false;
};

/// The telemetry client. Events are dropped until Init has run; SendEvent builds the document on
/// the caller's thread and leaves the sending to the client's worker, which starts with the
/// client. Destroying the client neither stops the worker nor disturbs it: the worker co-owns the
/// queue and its records, so a worker still sending at process exit keeps what it uses.
class CTrel {
public:
    /// The process's client, made with its worker by the first call (also when several threads
    /// make it at once) and kept until the process ends. It sends with vg::net::PostTrelJson and
    /// waits as TrelWaits' defaults say.
    static std::shared_ptr<CTrel> GetInstance();

    /// A client of its own with its own worker, sending with `sender` and waiting `waits` in its
    /// shutdown. The program uses GetInstance; tests give a recording sender and short waits.
    CTrel(TrelSender sender, TrelWaits waits);
    CTrel(const CTrel&) = delete;
    CTrel& operator=(const CTrel&) = delete;
    ~CTrel() = default;

    /// Sets the run's identity once: the topic from `isTest`, the game name and member id, a
    /// sequence key from a sequential UUID (empty unless it was made with an adapter address) and
    /// the "ProductVersion" of the program's own file. `launchMode` is taken and not used. Later
    /// calls change nothing.
    void Init(int isTest, std::u16string_view launchMode, std::u16string_view gameName,
              std::u16string_view mid);

    /// Queues one event and returns without waiting for the network; nothing before Init. An
    /// action code longer than kMaxTrelActionCodeBytes in UTF-8 is cut at a character boundary,
    /// in the record and in the document alike; a document too long for its record is shortened
    /// as BuildEventDocument does, and dropped when it still does not fit. Any thread may call it.
    /// Throws std::system_error when the queue lock cannot be taken.
    void SendEvent(std::u16string_view actionCode, std::uint32_t actionResult,
                   std::u16string_view description);

    /// Appends a record to the queue and wakes the worker.
    void Enqueue(std::unique_ptr<TrelEvent> record);

    /// The shutdown's flush and stop: waits for the worker `perQueuedRecord` for each record then
    /// queued (the worker keeps sending meanwhile, and does not end before the stop flag is set),
    /// sets the stop flag, wakes the worker so that it sends what is left and ends, and waits up
    /// to `workerEnd` for a worker still running, then lets go of it. Records still queued after
    /// that are lost when the process ends.
    TrelStopResult FlushAndStop();

    /// The run's key, as the events carry it; empty before Init.
    [[nodiscard]] const std::u16string& SequenceKey() const { return identity_.sequenceKey; }
    [[nodiscard]] const TrelIdentity& Identity() const { return identity_; }
    [[nodiscard]] bool IsInitialized() const { return initialized_ == 1; }
    /// The number of records waiting for the worker.
    [[nodiscard]] std::size_t QueuedRecordCount() const;

private:
    int initialized_ = 0;
    int isTest_ = 0;
    TrelIdentity identity_;
    TrelSender sender_;
    TrelWaits waits_;
    std::shared_ptr<TrelQueue> group_;
    std::optional<TrelWorkerThread> workerThread_;
};

} // namespace vg::telemetry
