// Starting the installer, the launcher or a new build of the program.
#pragma once

#include <string_view>

namespace vg::app {

/// Starts the program at `path` with the command line "\"<path>\" <parameters>" (nothing in
/// either is escaped) and returns at once, never waiting for it. 1 when the process was
/// created; 0 when not, with the system's error left as the thread's last error.
int ExecuteProgram(std::u16string_view path, std::u16string_view parameters);

} // namespace vg::app
