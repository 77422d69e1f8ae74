// The telemetry event record: one queued document with the function that sends it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vg::telemetry {

/// Sends one document: the event's test flag, the UTF-8 JSON text and the answer received.
/// The result is 0 or the failure's error number; the worker ignores it.
using TrelSender = std::function<std::uint32_t(int isTest, const std::string& utf8Document,
                                               std::u16string& response)>;

/// The longest document a record holds, in bytes (its buffer has room for a NUL as well).
inline constexpr std::size_t kMaxTrelBodyBytes = 81919;
/// The longest action code a record holds, in bytes.
inline constexpr std::size_t kMaxTrelActionCodeBytes = 259;

/// One event as the client queues it and the worker sends it.
struct TrelEvent {
    /// The client's test flag, handed to the sender.
    std::int32_t isTest = 0;
    /// The serialised document, UTF-8, at most kMaxTrelBodyBytes.
    std::string body;
    /// The action code, UTF-8, at most kMaxTrelActionCodeBytes.
    std::string actionCode;
    TrelSender sender;
};

} // namespace vg::telemetry
