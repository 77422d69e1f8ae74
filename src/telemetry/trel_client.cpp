// The telemetry client: identity, documents into records, the singleton and the shutdown.
#include "telemetry/trel_client.h"

#include "net/http_post.h"
#include "platform/program_path.h"
#include "platform/uuid.h"
#include "util/file_version_string.h"
#include "util/text_encoding.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace vg::telemetry {
namespace {

std::u16string CreateSequenceKey() {
    platform::Uuid uuid;
    const std::uint32_t status = platform::CreateSequentialUuid(uuid);
    return MakeSequenceKey(status, platform::FormatUuid(uuid));
}

} // namespace

std::shared_ptr<CTrel> CTrel::GetInstance() {
    static std::mutex creationMutex;
    static std::atomic<CTrel*> instance{nullptr};
    static std::shared_ptr<CTrel> owner;
    if (instance.load(std::memory_order_acquire) == nullptr) {
        const std::lock_guard<std::mutex> lock(creationMutex);
        if (instance.load(std::memory_order_relaxed) == nullptr) {
            owner = std::make_shared<CTrel>(net::PostTrelJson, TrelWaits{});
            instance.store(owner.get(), std::memory_order_release);
        }
    }
    // Written once, before the instance pointer was published.
    return owner;
}

CTrel::CTrel(TrelSender sender, TrelWaits waits)
    : sender_(std::move(sender)), waits_(waits), group_(std::make_shared<TrelQueue>()),
      workerThread_(TrelWorkerThread::Start(group_)) {}

void CTrel::Init(int isTest, std::u16string_view /*launchMode*/, std::u16string_view gameName,
                 std::u16string_view mid) {
    if (initialized_ == 1) {
        return;
    }
    isTest_ = isTest;
    std::u16string version =
        util::GetFileVersionString(platform::GetProgramPath(), u"ProductVersion");
    identity_ = MakeTrelIdentity(isTest, gameName, mid, CreateSequenceKey(), std::move(version));
    initialized_ = 1;
}

void CTrel::SendEvent(std::u16string_view actionCode, std::uint32_t actionResult,
                      std::u16string_view description) {
    if (initialized_ != 1) {
        return;
    }
    const std::string fullActionCode = util::ToUtf8(actionCode);
    const std::string_view code = CutUtf8(fullActionCode, kMaxTrelActionCodeBytes);
    std::optional<std::string> document =
        BuildEventDocument(identity_, code, actionResult, description);
    if (!document) {
        return;
    }
    auto record = std::make_unique<TrelEvent>();
    record->isTest = isTest_;
    record->body = std::move(*document);
    record->actionCode = code;
    record->sender = sender_;
    Enqueue(std::move(record));
}

void CTrel::Enqueue(std::unique_ptr<TrelEvent> record) {
    telemetry::Enqueue(*group_, std::move(record));
}

std::size_t CTrel::QueuedRecordCount() const {
    return telemetry::QueuedRecordCount(*group_);
}

TrelStopResult CTrel::FlushAndStop() {
    TrelStopResult result;
    result.queuedRecords = QueuedRecordCount();
    if (workerThread_) {
        // The worker ends only after the stop flag, so this lets it send for the whole wait.
        workerThread_->WaitForEnd(
            waits_.perQueuedRecord *
            static_cast<std::chrono::milliseconds::rep>(result.queuedRecords));
    }
    group_->stopRequested.exchange(1);
    group_->wakeEvent.Set();
    if (!workerThread_) {
        return result;
    }
    if (workerThread_->HasEnded()) {
        result.workerEnded = true;
    } else {
        result.workerEnded = workerThread_->WaitForEnd(waits_.workerEnd);
        workerThread_.reset();
    }
    return result;
}

} // namespace vg::telemetry
