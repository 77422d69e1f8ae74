// Finding a program by name the way a shell does, along $PATH.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vg::platform::posix {

/// A name with a "/" is taken as it is; otherwise the first executable regular file of that name
/// in the folders of $PATH. Nothing when there is none.
std::optional<std::string> FindProgram(std::string_view name);

} // namespace vg::platform::posix
