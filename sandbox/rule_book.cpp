// The faults and replies a sandbox answers with.
#include "sandbox/rule_book.h"

#include <algorithm>
#include <cctype>

namespace vg::sandbox {
namespace {

/// Host names compare without case, as DNS does.
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

void RuleBook::AddFault(FaultRule rule) {
    if (rule.fault.times == 0) {
        return;
    }
    rule.host = Lower(std::move(rule.host));
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(rule));
}

void RuleBook::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::optional<Fault> RuleBook::TakeFault(const std::string& host, const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto match = std::find_if(faults_.begin(), faults_.end(), [&](const FaultRule& rule) {
        return (rule.host == host || rule.host == "*") && rule.path == path;
    });
    if (match == faults_.end()) {
        return std::nullopt;
    }
    Fault fault = match->fault;
    if (match->fault.times > 0 && --match->fault.times == 0) {
        faults_.erase(match);
    }
    return fault;
}

void RuleBook::SetReply(ReplyRule rule) {
    rule.host = Lower(std::move(rule.host));
    std::lock_guard lock(mutex_);
    std::erase_if(replies_, [&](const ReplyRule& known) {
        return known.host == rule.host && known.path == rule.path;
    });
    replies_.push_back(std::move(rule));
}

void RuleBook::ClearReplies() {
    std::lock_guard lock(mutex_);
    replies_.clear();
}

std::optional<ReplyRule> RuleBook::FindReply(const std::string& host,
                                             const std::string& path) const {
    std::lock_guard lock(mutex_);
    for (const std::string& wanted : {host, std::string("*")}) {
        for (const ReplyRule& rule : replies_) {
            if (rule.host == wanted && rule.path == path) {
                return rule;
            }
        }
    }
    return std::nullopt;
}

} // namespace vg::sandbox
