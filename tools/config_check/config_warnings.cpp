// The run-time warnings about a configuration, in the order of the document's keys.
#include "config_warnings.h"

#include "config/install_path.h"
#include "util/text_encoding.h"

namespace vg::config_check {
namespace {

std::u16string Quoted(std::u16string_view text) {
    std::u16string quoted(1, u'"');
    quoted.append(text).push_back(u'"');
    return quoted;
}

/// File names are appended to a URL prefix as they are, so one without a closing "/" joins
/// the last directory and the name.
void WarnOfOpenPrefix(const char* key, const std::u16string& prefix, const std::u16string& name,
                      std::vector<Warning>& warnings) {
    if (prefix.empty() || prefix.ends_with(u'/')) {
        return;
    }
    warnings.push_back({key, util::WidenAscii(key) + u" " + Quoted(prefix) +
                                 u" does not end in \"/\": file names are appended as they are, "
                                 u"giving " +
                                 Quoted(prefix + name)});
}

} // namespace

std::vector<Warning> RunTimeWarnings(const config::GameConfig& config) {
    std::vector<Warning> warnings;
    WarnOfOpenPrefix("SetupURL", config.SetupURL, config.SetupName, warnings);
    WarnOfOpenPrefix("LauncherURL", config.LauncherURL, config.LauncherName, warnings);
    if (!config.RegistryRoot.empty() && !config::NamesRegistryHive(config.RegistryRoot)) {
        warnings.push_back({"RegistryRoot", u"RegistryRoot " + Quoted(config.RegistryRoot) +
                                                u" names no hive (HKCR, HKCU, HKLM or HKU): the "
                                                u"install directory is looked up in HKCU"});
    }
    if (!config.ExecParams.empty() && config.ExecParams.find(u"{KEY}") == std::u16string::npos) {
        warnings.push_back({"ExecParams", u"ExecParams " + Quoted(config.ExecParams) +
                                              u" has no \"{KEY}\": the launcher is not given "
                                              u"the run's key"});
    }
    if (!config.CheckCodeSignOption) {
        warnings.push_back({"CheckCodeSignOption",
                            u"CheckCodeSignOption is false: the launcher's signer is not "
                            u"checked, so any launcher starts"});
    } else if (config.CodeSignName.empty()) {
        warnings.push_back({"CodeSignName", u"CodeSignName is empty: the signer check accepts "
                                            u"any launcher, signed or not"});
    }
    return warnings;
}

} // namespace vg::config_check
