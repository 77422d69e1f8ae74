// ANSI code page, UTF-8 and percent-encoding helpers over the platform's code-page service.
#include "util/text_encoding.h"

#include "platform/code_page.h"
#include "platform/last_error.h"

#include <system_error>

namespace vg::util {
namespace {

template <typename View> View UpToTerminator(View text) {
    const auto end = text.find(typename View::value_type{0});
    return end == View::npos ? text : text.substr(0, end);
}

bool IsUnreservedByte(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

} // namespace

std::string ToAnsi(std::u16string_view text) {
    return platform::WideToMultiByte(platform::kCodePageThreadAnsi, UpToTerminator(text))
        .value_or(std::string());
}

std::u16string FromAnsi(std::string_view bytes) {
    auto text = platform::MultiByteToWide(platform::kCodePageThreadAnsi, UpToTerminator(bytes));
    if (!text) {
        throw std::system_error(static_cast<int>(platform::GetLastError()), std::system_category(),
                                "FromAnsi");
    }
    return std::move(*text);
}

std::u16string UrlEncodeAnsi(std::u16string_view text) {
    static constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    for (const char raw : ToAnsi(text)) {
        const auto byte = static_cast<unsigned char>(raw);
        if (IsUnreservedByte(byte)) {
            out.push_back(byte);
        } else {
            out.push_back(u'%');
            out.push_back(kHexDigits[byte >> 4]);
            out.push_back(kHexDigits[byte & 0x0F]);
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text) {
    return platform::WideToMultiByte(platform::kCodePageUtf8, text).value_or(std::string());
}

std::u16string FromUtf8(std::string_view bytes) {
    return platform::MultiByteToWide(platform::kCodePageUtf8, bytes).value_or(std::u16string());
}

std::u16string WidenAscii(std::string_view ascii) {
    std::u16string out;
    out.reserve(ascii.size());
    for (const char c : ascii) {
        out.push_back(static_cast<unsigned char>(c));
    }
    return out;
}

} // namespace vg::util
