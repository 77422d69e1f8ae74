// The faults and replies a sandbox answers with, consulted by every request.
#pragma once

#include "sandbox/json_forms.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vg::sandbox {

class RuleBook {
public:
    void AddFault(FaultRule rule);
    void ClearFaults();
    /// The first fault, in the order added, for this host (or "*") and path; a fault with a
    /// count is used up by this request.
    std::optional<Fault> TakeFault(const std::string& host, const std::string& path);

    /// Replaces an earlier reply for the same host and path.
    void SetReply(ReplyRule rule);
    void ClearReplies();
    /// The reply for this host and path, else the one for "*" and path.
    [[nodiscard]] std::optional<ReplyRule> FindReply(const std::string& host,
                                                     const std::string& path) const;

private:
    mutable std::mutex mutex_;
    std::vector<FaultRule> faults_;
    std::vector<ReplyRule> replies_;
};

} // namespace vg::sandbox
