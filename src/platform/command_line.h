// The command line the program was started with.
#pragma once

#include <string>

namespace vg::platform {

/// The number of arguments, the program's own path included (the runtime's argument count).
int GetArgumentCount();

/// The command-line text after the program path. Windows: as the system passed it, quotes and
/// all. Linux: the arguments joined by single blanks, read as UTF-8.
std::u16string GetCommandLineTail();

} // namespace vg::platform
