// Percent-escaping of the bytes above 0x7F in POST bodies.
#include "net/percent_encode_utf8.h"

#include "platform/code_page.h"
#include "util/text_encoding.h"

namespace vg::net {

std::string EscapeUtf8Bytes(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        // Three bytes whatever the character's length: the form the collector has always read.
        for (const std::size_t end = std::min(i + 3, utf8.size()); i < end; ++i) {
            const auto byte = static_cast<unsigned char>(utf8[i]);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string PercentEncodeUtf8(std::string_view ansiText) {
    const std::u16string text = platform::MultiByteToWide(platform::kCodePageSystemAnsi, ansiText)
                                    .value_or(std::u16string());
    return EscapeUtf8Bytes(util::ToUtf8(text));
}

} // namespace vg::net
