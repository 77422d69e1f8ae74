// The user interface on Windows: the invisible main dialog, and message boxes whose text also goes
// to the debugger output. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/ui.h"

#include "platform/code_page.h"
#include "platform/win32/varnugames_starter_dlg.h"
#include "platform/win32/wide_string.h"

#include <windows.h>

#include <string>

namespace vg::platform {
namespace {

constexpr wchar_t kCaption[] = L"Varnugames Starter";

UINT IconStyle(MessageBoxIcon icon) {
    switch (icon) {
    case MessageBoxIcon::Question:
        return MB_ICONQUESTION;
    case MessageBoxIcon::Warning:
        return MB_ICONWARNING;
    case MessageBoxIcon::None:
        break;
    }
    return 0;
}

// Without a desktop (Wine without a display, a service session) no box can appear. The notice
// then goes to standard error when the process has one, in the form the Linux build uses.
void WriteToStandardError(std::u16string_view line) {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string bytes = WideToMultiByte(kCodePageUtf8, line).value_or(std::string()) + "\n";
    std::size_t written = 0;
    while (written < bytes.size()) {
        DWORD chunk = 0;
        if (!::WriteFile(error, bytes.data() + written, static_cast<DWORD>(bytes.size() - written),
                         &chunk, nullptr) ||
            chunk == 0) {
            return;
        }
        written += chunk;
    }
}

} // namespace

void RunMainDialog() {
    win32::CVarnugamesStarterDlg dialog;
    dialog.DoModal();
}

void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) {
    const std::wstring wideText = win32::ToWide(text);
    const std::wstring line = std::wstring(kCaption) + L": " + wideText;
    // Support tools read the notices from the debugger output, also when nobody is at the screen.
    ::OutputDebugStringW(line.c_str());
    const int answer =
        ::MessageBoxW(nullptr, wideText.c_str(), kCaption, MB_OK | MB_TOPMOST | IconStyle(icon));
    // MessageBoxW answers 0 when it fails; Wine without a display answers -1.
    if (answer <= 0) {
        WriteToStandardError(win32::FromWide(line));
    }
}

} // namespace vg::platform
