// Starting another program from one command line, as CreateProcessW does.
#pragma once

#include <string_view>

namespace vg::platform {

/// Starts the program that the command line's first token names (quoted or not), with the
/// command line as its arguments, in the caller's environment and current directory. Returns at
/// once: the program runs on its own, outlives the caller and inherits no handle of it. On
/// failure returns false with the last error set (2 no such file, 3 no such folder, 5 not
/// permitted, 193 not a program).
/// Linux: the command line is split into arguments by the Windows rules, the first token is a
/// program path as NativePath maps it, a PE image starts through $WINE (default "wine" on
/// $PATH), and the program's standard input and output are the null device.
bool StartProcess(std::u16string_view commandLine);

} // namespace vg::platform
