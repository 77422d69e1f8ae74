// The user interface the program has: its invisible main dialog and message boxes.
#pragma once

#include <string_view>

namespace vg::platform {

/// Runs the program's main dialog modally and returns when it has closed itself, about 300 ms
/// later; nothing of it is visible. Linux: there is no window, a 300 ms wait stands in for it.
void RunMainDialog();

/// The icon of a message box.
enum class MessageBoxIcon { None, Question, Warning };

/// Shows a message box with the caption "Varnugames Starter", one OK button, top-most and with
/// no owner window, and returns when the user has closed it.
/// Windows: MessageBoxW; the line "Varnugames Starter: <text>" goes to the debugger output
/// (OutputDebugStringW) first, where support tools read it, and to standard error, if the
/// process has one, when the box cannot be shown (no desktop).
/// Linux: a zenity dialog when a display is present (DISPLAY or WAYLAND_DISPLAY) and zenity
/// runs; otherwise the line "Varnugames Starter: <text>" on standard error.
void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon = MessageBoxIcon::None);

} // namespace vg::platform
