// UTF-8 and UTF-16 conversion for the POSIX backend.
#include "platform/posix/utf8_codec.h"

#include <cstdint>

namespace vg::platform::posix {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t cp) {
    auto byte = [&out](char32_t value) { out.push_back(static_cast<char>(value & 0xFF)); };
    if (cp < 0x80) {
        byte(cp);
    } else if (cp < 0x800) {
        byte(0xC0 | (cp >> 6));
        byte(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        byte(0xE0 | (cp >> 12));
        byte(0x80 | ((cp >> 6) & 0x3F));
        byte(0x80 | (cp & 0x3F));
    } else {
        byte(0xF0 | (cp >> 18));
        byte(0x80 | ((cp >> 12) & 0x3F));
        byte(0x80 | ((cp >> 6) & 0x3F));
        byte(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

/// The range a UTF-8 lead byte allows for its first continuation byte (RFC 3629 table), which
/// rules out overlong forms, surrogates and values past U+10FFFF.
struct LeadByte {
    int continuationCount;
    std::uint8_t firstMin;
    std::uint8_t firstMax;
    char32_t bits;
};

bool DecodeLead(std::uint8_t lead, LeadByte& info) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        info = {1, 0x80, 0xBF, static_cast<char32_t>(lead & 0x1F)};
    } else if (lead == 0xE0) {
        info = {2, 0xA0, 0xBF, 0};
    } else if (lead == 0xED) {
        info = {2, 0x80, 0x9F, 0xD};
    } else if (lead >= 0xE1 && lead <= 0xEF) {
        info = {2, 0x80, 0xBF, static_cast<char32_t>(lead & 0x0F)};
    } else if (lead == 0xF0) {
        info = {3, 0x90, 0xBF, 0};
    } else if (lead >= 0xF1 && lead <= 0xF3) {
        info = {3, 0x80, 0xBF, static_cast<char32_t>(lead & 0x07)};
    } else if (lead == 0xF4) {
        info = {3, 0x80, 0x8F, 4};
    } else {
        return false;
    }
    return true;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            unit = kReplacement;
        }
        AppendUtf8(out, unit);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        LeadByte info{};
        if (!DecodeLead(lead, info)) {
            out.push_back(static_cast<char16_t>(kReplacement));
            ++i;
            continue;
        }
        char32_t cp = info.bits;
        std::size_t next = i + 1;
        bool complete = true;
        for (int k = 0; k < info.continuationCount; ++k, ++next) {
            const std::uint8_t low = k == 0 ? info.firstMin : 0x80;
            const std::uint8_t high = k == 0 ? info.firstMax : 0xBF;
            if (next >= bytes.size() || static_cast<std::uint8_t>(bytes[next]) < low ||
                static_cast<std::uint8_t>(bytes[next]) > high) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (static_cast<std::uint8_t>(bytes[next]) & 0x3Fu);
        }
        AppendUtf16(out, complete ? cp : kReplacement);
        i = next;
    }
    return out;
}

} // namespace vg::platform::posix
