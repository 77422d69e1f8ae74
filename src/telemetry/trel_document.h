// The telemetry event document: the client's identity and one event, as compact JSON.
#pragma once

#include "telemetry/trel_event.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vg::telemetry {

/// What every event of a run carries: set once by the client's Init, read-only afterwards.
struct TrelIdentity {
    std::u16string topic;
    std::u16string mode;
    std::u16string mid;
    std::u16string serviceCode;
    std::u16string productCode;
    /// 32 upper-case hexadecimal digits, or empty.
    std::u16string sequenceKey;
    /// The program's "ProductVersion"; empty when it has none.
    std::u16string version;
};

/// The identity of a run: the topic chosen by the test flag ("production-test-topic" for 1,
/// else "launcher-user-topic"), mode "production" for every run, product "varnugamesstarter".
TrelIdentity MakeTrelIdentity(int isTest, std::u16string_view gameName, std::u16string_view mid,
                              std::u16string sequenceKey, std::u16string version);

/// The run's key from a sequential UUID: for status 0 its text trimmed, upper-cased and without
/// "-" (32 hexadecimal digits); empty for any other status.
std::u16string MakeSequenceKey(std::uint32_t uuidStatus, std::string_view uuidText);

/// "00000000" for 0; otherwise upper-case hexadecimal without leading zeros (10 gives "A").
std::string FormatActionResult(std::uint32_t actionResult);

/// The longest start of valid UTF-8 text that has at most `maxBytes` bytes and ends on a
/// character boundary.
std::string_view CutUtf8(std::string_view utf8, std::size_t maxBytes);

/// The event document as compact JSON in UTF-8, members sorted by key, without line feeds:
/// {"data":{"action_code","action_result","add_params":{"version"},"description",
/// "sequence_key"},"mid","mode","product_code","service_code","topic"}. "description" is left
/// out when the description is empty. Text that is not ASCII goes in as UTF-8. A document longer
/// than `maxBytes` has its description shortened, at a character boundary, until it fits;
/// nothing when it does not fit even then. `actionCode` must be valid UTF-8.
std::optional<std::string> BuildEventDocument(const TrelIdentity& identity,
                                              std::string_view actionCode,
                                              std::uint32_t actionResult,
                                              std::u16string_view description,
                                              std::size_t maxBytes = kMaxTrelBodyBytes);

} // namespace vg::telemetry
