// The command line of vg-config-check and its help text.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vg::config_check {

struct Options {
    std::string tree;                  ///< a folder, or an https:// URL
    std::vector<std::u16string> games; ///< --game, in order; empty: every game
    bool json = false;                 ///< --json
    bool help = false;                 ///< --help
};

/// Reads the arguments after the program name; nothing, with the reason in `problem`, when
/// they are not a valid command line.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& problem);

/// Whether the tree is given as a URL rather than a folder.
bool IsUrl(const std::string& tree);

/// The text of --help.
const char* HelpText();

} // namespace vg::config_check
