// Starting programs on Windows: CreateProcessW with the whole command line. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/process.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

#include <string>

namespace vg::platform {

bool StartProcess(std::u16string_view commandLine) {
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring writableCommandLine = win32::ToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started{};
    // No handle is inherited, and the caller's environment and directory are the program's.
    if (!::CreateProcessW(nullptr, writableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &started)) {
        return false;
    }
    // The program runs on its own: nothing here waits for it or watches it.
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

} // namespace vg::platform
