// The requests a sandbox received, in memory and in requests.jsonl.
#include "sandbox/request_log.h"

#include "sandbox/json_forms.h"

#include <stdexcept>

namespace vg::sandbox {

RequestLog::RequestLog(const std::filesystem::path& file)
    : file_(file, std::ios::binary | std::ios::trunc) {
    if (!file_) {
        throw std::runtime_error("cannot write the request log " + file.string());
    }
}

void RequestLog::Add(RecordedRequest request) {
    // Invalid bytes in a header are replaced rather than refused: the log keeps every request.
    const std::string line = RequestToJson(request).dump(
        -1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::lock_guard lock(mutex_);
    file_ << line << '\n';
    file_.flush();
    requests_.push_back(std::move(request));
}

std::vector<RecordedRequest> RequestLog::All() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RequestLog::Clear() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

std::vector<RecordedRequest> ReadRequestLog(const std::filesystem::path& file) {
    std::vector<RecordedRequest> requests;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const auto form = nlohmann::json::parse(line, nullptr, false);
        try {
            requests.push_back(RequestFromJson(form));
        } catch (const std::invalid_argument&) {
            continue;
        }
    }
    return requests;
}

} // namespace vg::sandbox
