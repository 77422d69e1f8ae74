// A small dialog class for the program's own windows: a dialog template run modally, its messages
// routed to overridable handlers. Win32 only.
#pragma once

#ifndef _WIN32
#error "Win32 backend only"
#endif

#include <windows.h>

namespace vg::platform::win32 {

/// The device context of one WM_PAINT, begun on construction and ended on destruction.
class PaintContext {
public:
    explicit PaintContext(HWND window);
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;
    ~PaintContext();

    /// The context to draw with; null when painting could not begin.
    [[nodiscard]] HDC Handle() const { return context_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC context_;
};

/// A modal dialog made from a dialog template resource of the program. The dialog procedure
/// routes WM_INITDIALOG, WM_PAINT, WM_QUERYDRAGICON, WM_TIMER and the IDOK and IDCANCEL commands
/// to the virtual handlers below; every other message gets the system's default dialog handling.
class CDialogEx {
public:
    /// A dialog from template `templateId` of the program's own module, owned by `parent`
    /// (null: no owner).
    explicit CDialogEx(UINT templateId, HWND parent = nullptr);
    CDialogEx(const CDialogEx&) = delete;
    CDialogEx& operator=(const CDialogEx&) = delete;
    virtual ~CDialogEx();

    /// Creates the dialog and runs it until EndDialog; returns the value given to EndDialog, or
    /// -1 when the dialog could not be created (no desktop, no template), at once.
    INT_PTR DoModal();

    /// The dialog's window while it exists; null before and after the modal run.
    [[nodiscard]] HWND GetSafeHwnd() const { return window_; }

    /// Ends the modal run with `result` once the current message has been handled.
    void EndDialog(int result);

    /// Centres the dialog over its owner, or over the work area of its monitor when it has no
    /// visible owner, keeping it inside that work area.
    void CenterWindow();

    /// True while the dialog is minimised.
    [[nodiscard]] bool IsIconic() const;

protected:
    /// WM_INITDIALOG. TRUE lets the system give the focus to the first control.
    virtual BOOL OnInitDialog();
    /// WM_PAINT; the default validates the window without drawing.
    virtual void OnPaint();
    /// WM_QUERYDRAGICON; null leaves the answer to the system.
    virtual HCURSOR OnQueryDragIcon();
    /// WM_TIMER for a timer started without a callback; the default does nothing.
    virtual void OnTimer(UINT_PTR timerId);
    /// The IDOK command (the default button, or Enter); the default ends the dialog with IDOK.
    virtual void OnOK();
    /// The IDCANCEL command (Escape, or the close box); the default ends the dialog with IDCANCEL.
    virtual void OnCancel();

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleCommand(WPARAM wParam);

    UINT templateId_;
    HWND parent_;
    HWND window_ = nullptr;
};

} // namespace vg::platform::win32
