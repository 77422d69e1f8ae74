// Ending the running program that an update is about to replace.
#pragma once

#include <string_view>

namespace vg::net {

/// Ends the first process (the lowest id) that runs the very program file at `path`, with exit
/// code 0xFFFFFFFF, and returns without waiting for it to be gone. A process running another
/// file of the same name is left alone: several games ship a "Launcher.exe". Nothing running
/// the file, and a failure to end it, are both ignored.
void TerminateProcessByFileName(std::u16string_view path);

} // namespace vg::net
