// Splitting a Windows command line into arguments, by the rules CommandLineToArgvW follows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vg::platform::posix {

/// The arguments a Windows program would see for this command line. The first token is the
/// program name: up to the next quote when it starts with one, else up to white space, with no
/// backslash rules. The others: blanks and tabs separate arguments outside quotes; 2n
/// backslashes before a quote give n backslashes and the quote opens or closes a quoted part;
/// 2n+1 backslashes before a quote give n backslashes and a literal quote; other backslashes are
/// literal; inside a quoted part, a doubled quote gives a literal quote.
std::vector<std::u16string> CommandLineToArgv(std::u16string_view commandLine);

} // namespace vg::platform::posix
