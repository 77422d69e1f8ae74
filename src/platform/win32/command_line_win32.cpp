// The command line on Windows: GetCommandLineW and the runtime's argument count. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/command_line.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

#include <cstdlib>
#include <string_view>

namespace vg::platform {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The rest of a command line after its first token, read as Windows reads the program path: a
// quoted token ends at the closing quote, any other at the first blank. The blanks that part
// the path from the rest are not part of the rest.
std::wstring_view TailAfterProgramPath(std::wstring_view line) {
    std::size_t end = 0;
    if (!line.empty() && line.front() == L'"') {
        const std::size_t closing = line.find(L'"', 1);
        end = closing == std::wstring_view::npos ? line.size() : closing + 1;
    } else {
        while (end < line.size() && !IsBlank(line[end])) {
            ++end;
        }
    }
    while (end < line.size() && IsBlank(line[end])) {
        ++end;
    }
    return line.substr(end);
}

} // namespace

int GetArgumentCount() {
    return __argc;
}

std::u16string GetCommandLineTail() {
    return win32::FromWide(TailAfterProgramPath(::GetCommandLineW()));
}

} // namespace vg::platform
