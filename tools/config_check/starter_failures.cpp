// The starter's events and notice numbers for configuration failures.
#include "starter_failures.h"

#include "config/config_loader.h"
#include "startflow/game_starter.h"

#include <cstdio>

namespace vg::config_check {

StarterFailure FetchFailure(std::u16string_view errorText) {
    return {u"INIT", startflow::kConfigFetchFailed, 19, std::u16string(errorText)};
}

StarterFailure ValidationFailure(int code) {
    return {u"INIT", startflow::kConfigInvalid, 20, config::InvalidConfigText(code)};
}

StarterFailure InstallerRefusal(std::u16string_view refusal) {
    return {u"INSTALL", startflow::kInstallFailed, 21, std::u16string(refusal)};
}

StarterFailure CheckFileRefusal(std::u16string_view refusal) {
    return {u"PATCH", startflow::kPatchFailed, 22, std::u16string(refusal)};
}

std::string ResultCodeText(std::uint32_t result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

} // namespace vg::config_check
