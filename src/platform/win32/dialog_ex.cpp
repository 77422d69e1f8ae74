// The dialog class: the modal run, the routing of messages to handlers, and window helpers.
// Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/win32/dialog_ex.h"

namespace vg::platform::win32 {

PaintContext::PaintContext(HWND window)
    : window_(window), context_(::BeginPaint(window, &paint_)) {}

PaintContext::~PaintContext() {
    if (context_ != nullptr) {
        ::EndPaint(window_, &paint_);
    }
}

CDialogEx::CDialogEx(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialogEx::~CDialogEx() = default;

INT_PTR CDialogEx::DoModal() {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_,
                             &CDialogEx::DialogProcedure, reinterpret_cast<LPARAM>(this));
}

void CDialogEx::EndDialog(int result) {
    if (window_ != nullptr) {
        ::EndDialog(window_, result);
    }
}

void CDialogEx::CenterWindow() {
    RECT dialog{};
    if (window_ == nullptr || !::GetWindowRect(window_, &dialog)) {
        return;
    }
    const HWND owner = ::GetWindow(window_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(
            ::MonitorFromWindow(owner != nullptr ? owner : window_, MONITOR_DEFAULTTONEAREST),
            &monitor)) {
        return;
    }
    const RECT area = monitor.rcWork;
    RECT reference = area;
    RECT ownerRect{};
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner) &&
        ::GetWindowRect(owner, &ownerRect)) {
        reference = ownerRect;
    }
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    LONG left = reference.left + (reference.right - reference.left - width) / 2;
    LONG top = reference.top + (reference.bottom - reference.top - height) / 2;
    // Over an owner near the edge of the screen the dialog still opens fully on the work area.
    if (left + width > area.right) {
        left = area.right - width;
    }
    if (left < area.left) {
        left = area.left;
    }
    if (top + height > area.bottom) {
        top = area.bottom - height;
    }
    if (top < area.top) {
        top = area.top;
    }
    ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialogEx::IsIconic() const {
    return window_ != nullptr && ::IsIconic(window_);
}

BOOL CDialogEx::OnInitDialog() {
    return TRUE;
}

void CDialogEx::OnPaint() {
    const PaintContext validated(window_);
}

HCURSOR CDialogEx::OnQueryDragIcon() {
    return nullptr;
}

void CDialogEx::OnTimer(UINT_PTR /*timerId*/) {}

void CDialogEx::OnOK() {
    EndDialog(IDOK);
}

void CDialogEx::OnCancel() {
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialogEx::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    // The object arrives with WM_INITDIALOG; the few messages before it get default handling.
    if (message == WM_INITDIALOG) {
        auto* const dialog = reinterpret_cast<CDialogEx*>(lParam);
        dialog->window_ = window;
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        return dialog->HandleMessage(message, wParam, lParam);
    }
    auto* const dialog = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->window_ = nullptr;
        return FALSE;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialogEx::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        // A dialog procedure answers this message with its return value; null means default.
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_TIMER:
        // A timer with a callback is left to the default handling, which calls it.
        if (lParam != 0) {
            return FALSE;
        }
        OnTimer(wParam);
        return TRUE;
    case WM_COMMAND:
        return HandleCommand(wParam) ? TRUE : FALSE;
    default:
        return FALSE;
    }
}

bool CDialogEx::HandleCommand(WPARAM wParam) {
    // Buttons, the keyboard's Enter and Escape and the close box all arrive as BN_CLICKED (0).
    if (HIWORD(wParam) != BN_CLICKED) {
        return false;
    }
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

} // namespace vg::platform::win32
