// The full path of the running program's own executable file.
#pragma once

#include <string>

namespace vg::platform {

/// The path of the program's executable, as GetModuleFileNameW gives it for the main module;
/// empty, with the last error set, when it cannot be had.
/// Linux: the target of /proc/self/exe, taken from UTF-8.
std::u16string GetProgramPath();

} // namespace vg::platform
