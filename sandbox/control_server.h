// The control endpoint of a running sandbox, on its own plain port of 127.0.0.1, for tests and
// scripts that drive the sandbox program from outside.
#pragma once

#include "sandbox/sandbox.h"

#include <nlohmann/json.hpp>

#include <memory>

namespace vg::sandbox {

/// Answers, with JSON:
///   POST   /faults    a fault form or an array of them (see FaultRuleFromJson); adds them
///   DELETE /faults    removes every fault
///   POST   /replies   a reply form or an array of them (see ReplyRuleFromJson); sets them
///   DELETE /replies   removes every reply
///   GET    /requests  the recorded requests, as an array of requests.jsonl objects
///   DELETE /requests  forgets the recorded requests
///   GET    /hosts     {"connectTo", "caFile", "hosts": [{"name", "tlsPort", "plainPort"}]}
/// A form the sandbox cannot read is answered 400 with {"error": "..."}.
class ControlServer {
public:
    /// Listens on `port`, or a port the system chooses when 0; throws std::runtime_error.
    ControlServer(Sandbox& sandbox, int port);
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;
    ~ControlServer();

    [[nodiscard]] int Port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// Adds the faults and replies of a setup document: an array of fault forms, or an object
/// {"faults": [...], "replies": [...]}. Throws std::invalid_argument.
void ApplySetup(Sandbox& sandbox, const nlohmann::json& setup);

} // namespace vg::sandbox
