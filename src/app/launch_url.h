// The launch URL a web page starts the program with, and the seven fields it carries.
#pragma once

#include <string>
#include <string_view>

namespace vg::app {

/// The scheme every launch URL starts with.
inline constexpr std::u16string_view kLaunchScheme = u"varnugamesstarter://";

/// The launch fields, in URL order; read-only once the URL is accepted.
struct LaunchFields {
    std::u16string gameName;     ///< the game, or one of the action words
    std::u16string mode;         ///< service phase word: live or test environment
    std::u16string launcherFile; ///< the launcher, relative to the install directory
    std::u16string encStr;       ///< the web page's opaque token
    std::u16string mid;          ///< member id
    std::u16string agent;
    std::u16string channel;
    int isGameStart = 0; ///< 1 unless gameName is an action word
};

/// Splits the command line into the launch fields and cleans them: "/" and white space where
/// each field allows, and the characters " & | < > ^ ` ( ) from every field. Returns 1 when the
/// URL is accepted; 0 when the scheme is missing (the fields are then untouched) or one of the
/// game name, mode, launcher file and token is empty (the fields keep what they were given).
int ParseLaunchUrl(std::u16string_view commandLine, LaunchFields& fields);

} // namespace vg::app
