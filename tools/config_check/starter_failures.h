// The failures of a game start that a configuration can cause, with the event and notice the
// starter reports each with.
#pragma once

#include "check_result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vg::config_check {

/// The configuration could not be fetched or read: "INIT" 0xA0030001, notice 19.
StarterFailure FetchFailure(std::u16string_view errorText);

/// A required member is empty: "INIT" 0xA0030002 "Invalid config file. (ErrorCode = <code>)",
/// notice 20.
StarterFailure ValidationFailure(int code);

/// The installer name is refused: "INSTALL" 0xA0040001, notice 21.
StarterFailure InstallerRefusal(std::u16string_view refusal);

/// A check file name is refused: "PATCH" 0xA0050001, notice 22.
StarterFailure CheckFileRefusal(std::u16string_view refusal);

/// An action result as support staff read it: "0xA0030002".
std::string ResultCodeText(std::uint32_t result);

} // namespace vg::config_check
