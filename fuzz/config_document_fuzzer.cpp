// Fuzz target: the CDN's service list and game document, read for a game and a mode. The input is
// "<game>\n<mode>\n<document>": the first two lines are UTF-8 text, the rest the document's bytes.
#include "config/config_loader.h"
#include "config/config_reader.h"
#include "config/game_config.h"
#include "util/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using vg::config::ConfigTypeError;
using vg::config::GameConfig;
using vg::config::GameDocumentResult;
using vg::config::ServiceListResult;

/// The text before the first line feed, and `rest` moved past it (to empty without one).
std::u16string TakeLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return vg::util::FromUtf8(line);
}

bool IsDefault(const GameConfig& config) {
    const GameConfig defaults;
    return config.CheckFiles == defaults.CheckFiles &&
           config.LauncherName == defaults.LauncherName && config.SetupName == defaults.SetupName &&
           config.Domain == defaults.Domain && config.SetupURL == defaults.SetupURL &&
           config.LauncherURL == defaults.LauncherURL &&
           config.RegistryRoot == defaults.RegistryRoot &&
           config.RegistryPath == defaults.RegistryPath &&
           config.CheckCodeSignOption == defaults.CheckCodeSignOption &&
           config.CodeSignName == defaults.CodeSignName &&
           config.InstallParams == defaults.InstallParams &&
           config.ExecParams == defaults.ExecParams;
}

/// Whether the service list reader takes the document for JSON (a type error means it did).
bool ReadListAsJson(std::string_view document, std::u16string_view game) {
    try {
        return vg::config::ReadServiceList(document, game) != ServiceListResult::NotJson;
    } catch (const ConfigTypeError&) {
        return true;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::u16string game = TakeLine(rest);
    const std::u16string mode = TakeLine(rest);
    const std::string_view document = rest;

    const bool listIsJson = ReadListAsJson(document, game);
    GameConfig config;
    try {
        const GameDocumentResult result =
            vg::config::ReadGameDocument(document, game, mode, config);
        // Both readers parse the same bytes alike, and a document that is not read changes
        // nothing.
        if ((result == GameDocumentResult::NotJson) == listIsJson ||
            (result != GameDocumentResult::Read && !IsDefault(config))) {
            __builtin_trap();
        }
    } catch (const ConfigTypeError&) {
        if (!listIsJson) {
            __builtin_trap();
        }
    }
    const int code = vg::config::ValidationCode(config);
    if (code < 0 || code > 9) {
        __builtin_trap();
    }
    return 0;
}
