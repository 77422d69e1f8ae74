// The program's main dialog: transparency, size, position and the timer that ends it. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/win32/varnugames_starter_dlg.h"

#include "platform/win32/resources/resource.h"

namespace vg::platform::win32 {
namespace {

constexpr UINT_PTR kCloseTimerId = 10;
constexpr UINT kLifetimeMilliseconds = 300;

} // namespace

CVarnugamesStarterDlg::CVarnugamesStarterDlg()
    : CDialogEx(IDD_VARNUGAMESSTARTER_DIALOG, nullptr),
      icon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CVarnugamesStarterDlg::~CVarnugamesStarterDlg() = default;

BOOL CVarnugamesStarterDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    const HWND window = GetSafeHwnd();
    ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    ::SetWindowLongW(window, GWL_EXSTYLE, ::GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
    // A tool window has no taskbar button.
    ::SetWindowLongW(window, GWL_EXSTYLE,
                     (::GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    ::SetLayeredWindowAttributes(window, 0, 0, LWA_ALPHA);

    CenterWindow();
    ::MoveWindow(window, 0, 0, 1, 1, TRUE);
    // Without its timer the invisible dialog would wait for ever; it ends at once instead.
    if (::SetTimer(window, kCloseTimerId, kLifetimeMilliseconds, nullptr) == 0) {
        EndDialog(0);
    }
    return TRUE;
}

void CVarnugamesStarterDlg::OnPaint() {
    if (!IsIconic()) {
        CDialogEx::OnPaint();
        return;
    }
    const HWND window = GetSafeHwnd();
    const PaintContext paint(window);
    ::SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Handle()), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(window, &client);
    const int left = (client.right - client.left - iconWidth + 1) / 2;
    const int top = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(paint.Handle(), left, top, icon);
}

HCURSOR CVarnugamesStarterDlg::OnQueryDragIcon() {
    return icon;
}

void CVarnugamesStarterDlg::OnTimer(UINT_PTR timerId) {
    if (timerId == kCloseTimerId) {
        ::KillTimer(GetSafeHwnd(), kCloseTimerId);
        EndDialog(0);
    }
    CDialogEx::OnTimer(timerId);
}

} // namespace vg::platform::win32
