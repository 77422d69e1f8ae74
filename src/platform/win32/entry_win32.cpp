// The Windows program's entry point: the common controls, then one run of the application.
// Win32 only; linked with -municode.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/application.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    // The manifest asks for version 6 of the common controls; their window classes are
    // registered before the first dialog or message box.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    if (vg::platform::CWinApp* app = vg::platform::CWinApp::Instance()) {
        app->InitInstance();
    }
    return 0;
}
