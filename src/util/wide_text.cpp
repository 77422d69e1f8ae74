// Letter case, replacement and trimming of UTF-16 text.
#include "util/wide_text.h"

#include <algorithm>

namespace vg::util {
namespace {

char16_t ToLowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

} // namespace

std::u16string ToLowerAscii(std::u16string_view text) {
    std::u16string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char16_t c) { return ToLowerAscii(c); });
    return lower;
}

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

void ReplaceAll(std::u16string& text, std::u16string_view from, std::u16string_view to) {
    if (from.empty()) {
        return;
    }
    std::u16string out;
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != std::u16string::npos;
         hit = text.find(from, start)) {
        out.append(text, start, hit - start);
        out.append(to);
        start = hit + from.size();
    }
    out.append(text, start);
    text = std::move(out);
}

void RemoveAll(std::u16string& text, char16_t character) {
    std::erase(text, character);
}

bool IsWideSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

void Trim(std::u16string& text) {
    while (!text.empty() && IsWideSpace(text.back())) {
        text.pop_back();
    }
    const auto first = std::find_if_not(text.begin(), text.end(), IsWideSpace);
    text.erase(text.begin(), first);
}

} // namespace vg::util
