// The escaping of secure POST bodies: UTF-8 with its bytes above 0x7F percent-escaped.
#pragma once

#include <string>
#include <string_view>

namespace vg::net {

/// Converts text in the system ANSI code page to UTF-8 and escapes it as EscapeUtf8Bytes does.
std::string PercentEncodeUtf8(std::string_view ansiText);

/// Walks UTF-8 bytes: a byte below 0x80 passes as it is; a byte of 0x80 or above starts a group
/// of three bytes (cut short at the end), each written as "%" and two upper-case hexadecimal
/// digits. ASCII is never escaped, so "&", "=", "+", "%" and blanks pass unchanged.
std::string EscapeUtf8Bytes(std::string_view utf8);

} // namespace vg::net
