// What a check walks through: the games a list names and the modes a game's document has. The
// starter's reader judges every game and mode; this only finds them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vg::config_check {

struct ListOutline {
    /// False when no game could be found in the list: it is not JSON, "service_games" is
    /// missing or null, or the root or the list is of a type the starter cannot read.
    bool readable = false;
    /// The string entries of "service_games" in their order, each spelling once.
    std::vector<std::u16string> names;
};

ListOutline OutlineServiceList(std::string_view utf8Document);

/// The names of the members of root[game] (matched exactly) in document order; none when the
/// document is not JSON or that member is not an object.
std::vector<std::u16string> ModeNames(std::string_view utf8Document, std::u16string_view game);

} // namespace vg::config_check
