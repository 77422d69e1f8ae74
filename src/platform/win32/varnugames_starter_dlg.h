// The program's main dialog: invisible, one pixel at the corner of the screen, closing itself
// 300 ms after it opened. Win32 only.
#pragma once

#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/win32/dialog_ex.h"

#include <windows.h>

namespace vg::platform::win32 {

/// The main dialog that start-up runs once before any other work. It makes itself fully
/// transparent, 1 x 1 pixel at (0, 0), keeps out of the taskbar and ends itself with result 0
/// after 300 ms; Enter or Escape end it earlier with IDOK or IDCANCEL.
class CVarnugamesStarterDlg : public CDialogEx {
public:
    /// The dialog of template 102 with no owner; loads the program's icon.
    CVarnugamesStarterDlg();
    ~CVarnugamesStarterDlg() override;

    /// The program's icon (resource 128), shared by the system: it is never destroyed.
    HICON icon;

protected:
    BOOL OnInitDialog() override;
    void OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    void OnTimer(UINT_PTR timerId) override;
};

} // namespace vg::platform::win32
