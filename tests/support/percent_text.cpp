// Percent-encoding and decoding for the tests' expectations.
#include "support/percent_text.h"

#include <cctype>
#include <cstdio>

namespace vg::test {

int UpperHexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string FormEncode(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            out += escape;
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text, int lowestByte) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() ? UpperHexDigitValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? UpperHexDigitValue(text[i + 2]) : -1;
        if (text[i] == '%' && high >= 0 && low >= 0 && high * 16 + low >= lowestByte) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace vg::test
