// Choice, decoding and comparison of a signer's display name. Standard C++ only.
#include "platform/posix/signer_name.h"

#include "platform/posix/utf8_codec.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vg::platform::posix {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

constexpr int kTagUtf8String = 12;
constexpr int kTagTeletexString = 20;
constexpr int kTagUniversalString = 28;
constexpr int kTagBmpString = 30;

constexpr std::array<NameAttributeType, 4> kPreferredTypes = {
    NameAttributeType::kCommonName, NameAttributeType::kOrganizationalUnit,
    NameAttributeType::kOrganization, NameAttributeType::kEmail};

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool IsValidUtf8(std::span<const std::uint8_t> bytes) {
    // The codec replaces every invalid sequence, so only valid text survives the round trip.
    return Utf16ToUtf8(Utf8ToUtf16(AsChars(bytes))) == AsChars(bytes);
}

std::u16string Latin1ToUtf16(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

std::u16string BmpToUtf16(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]));
    }
    if (bytes.size() % 2 != 0) {
        text.push_back(kReplacementCharacter);
    }
    return text;
}

void AppendCodePoint(std::u16string& text, std::uint32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        text.push_back(kReplacementCharacter);
    } else if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
        text.push_back(static_cast<char16_t>(codePoint));
    }
}

std::u16string Ucs4ToUtf16(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        AppendCodePoint(text, (static_cast<std::uint32_t>(bytes[i]) << 24) |
                                  (static_cast<std::uint32_t>(bytes[i + 1]) << 16) |
                                  (static_cast<std::uint32_t>(bytes[i + 2]) << 8) | bytes[i + 3]);
    }
    if (bytes.size() % 4 != 0) {
        text.push_back(kReplacementCharacter);
    }
    return text;
}

} // namespace

std::u16string SimpleDisplayName(std::span<const NameAttribute> subject,
                                 std::span<const std::u16string> rfc822AltNames) {
    for (const NameAttributeType type : kPreferredTypes) {
        const auto found = std::find_if(subject.begin(), subject.end(),
                                        [type](const NameAttribute& a) { return a.type == type; });
        if (found != subject.end()) {
            return found->value;
        }
    }
    if (!rfc822AltNames.empty()) {
        return rfc822AltNames.front();
    }
    return subject.empty() ? std::u16string() : subject.front().value;
}

std::uint32_t CompareSignerName(std::u16string_view actual, std::u16string_view expected) {
    return actual == expected ? kSignerNameEqual : kSignerNameDifferent;
}

std::u16string DecodeDirectoryString(int tag, std::span<const std::uint8_t> bytes) {
    switch (tag) {
    case kTagBmpString:
        return BmpToUtf16(bytes);
    case kTagUniversalString:
        return Ucs4ToUtf16(bytes);
    case kTagUtf8String:
        return Utf8ToUtf16(AsChars(bytes));
    case kTagTeletexString:
        return IsValidUtf8(bytes) ? Utf8ToUtf16(AsChars(bytes)) : Latin1ToUtf16(bytes);
    default:
        return Latin1ToUtf16(bytes);
    }
}

} // namespace vg::platform::posix
