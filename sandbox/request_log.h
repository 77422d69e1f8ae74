// The requests a sandbox received, kept in memory and written to requests.jsonl as they come.
#pragma once

#include "sandbox/sandbox.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace vg::sandbox {

class RequestLog {
public:
    /// Starts the file empty; throws std::runtime_error when it cannot be written.
    explicit RequestLog(const std::filesystem::path& file);

    void Add(RecordedRequest request);
    [[nodiscard]] std::vector<RecordedRequest> All() const;
    /// Forgets the requests in memory; the file keeps them.
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::ofstream file_;
};

/// The requests in a requests.jsonl, in the order received; a line that is not a recorded
/// request (a partly written last line) is left out.
std::vector<RecordedRequest> ReadRequestLog(const std::filesystem::path& file);

} // namespace vg::sandbox
