// The debugger output of a Windows program under Wine: the strings it passed to
// OutputDebugString, which Wine prints on standard error with WINEDEBUG=warn+seh.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vg::test {

/// Marks the end of a string that Wine cut short: it prints at most about 290 characters of
/// escapes per string.
inline constexpr char kCutByWine[] = "[cut by Wine]";

/// The strings of every `OutputDebugStringA "..."` line of Wine's standard error, in order,
/// with Wine's C escapes undone and the bytes converted from the ANSI code page `codePage`
/// (iconv's name, for example "CP949") to UTF-8. A string Wine cut short ends in kCutByWine.
std::vector<std::string> DebugStrings(std::string_view wineStandardError, const char* codePage);

/// What the program itself wrote on standard error: the lines of Wine's standard error that
/// Wine did not write ("0024:err:..." and "wine: ..." are Wine's).
std::string ProgramStandardError(std::string_view wineStandardError);

/// The notices as the Linux program writes them without a display, "Varnugames Starter: <text>"
/// and a line feed each, from the debug strings of the Windows program: a string that starts
/// with "Varnugames Starter: " begins a notice and the strings after it continue it, so the
/// program may pass a long text in pieces. A string that Wine cut short is completed from the
/// program's own standard error when that goes on with the same text (where no message box can
/// be shown, the program writes its notices there too); otherwise it keeps kCutByWine.
std::string NoticesFromDebugStrings(const std::vector<std::string>& strings,
                                    std::string_view programStandardError);

} // namespace vg::test
