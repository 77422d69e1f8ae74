// The Linux entry point hands the program's arguments to the command-line service.
#pragma once

namespace vg::platform::posix {

/// Keeps main's arguments for GetArgumentCount and GetCommandLineTail.
void RecordCommandLine(int argc, const char* const* argv);

} // namespace vg::platform::posix
