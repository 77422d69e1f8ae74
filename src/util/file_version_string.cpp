// Chooses the string table of a version block by language and reads one standard text from it.
#include "util/file_version_string.h"

#include "platform/file_version_info.h"
#include "platform/locale.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace vg::util {
namespace {

constexpr std::array<std::u16string_view, 12> kStandardKeys = {
    u"CompanyName",    u"FileDescription",  u"FileVersion",  u"InternalName",
    u"LegalCopyright", u"OriginalFileName", u"ProductName",  u"ProductVersion",
    u"Comments",       u"LegalTrademarks",  u"PrivateBuild", u"SpecialBuild",
};

constexpr std::uint16_t kLanguageNeutral = 0x0000;
constexpr std::uint16_t kLanguageEnglish = 0x0009;

std::uint16_t PrimaryLanguage(std::uint16_t language) {
    return static_cast<std::uint16_t>(language & 0xFF);
}

bool IsStandardKey(std::u16string_view key) {
    return std::find(kStandardKeys.begin(), kStandardKeys.end(), key) != kStandardKeys.end();
}

void AppendHex4(std::u16string& text, std::uint16_t value) {
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (int shift = 12; shift >= 0; shift -= 4) {
        text.push_back(kDigits[(value >> shift) & 0xF]);
    }
}

// "\StringFileInfo\041204b0\<key>"
std::u16string StringQueryPath(const VersionTranslation& translation, std::u16string_view key) {
    std::u16string path = u"\\StringFileInfo\\";
    AppendHex4(path, translation.language);
    AppendHex4(path, translation.codePage);
    path += u'\\';
    path += key;
    return path;
}

} // namespace

std::optional<VersionTranslation> ChooseTranslation(std::span<const VersionTranslation> table,
                                                    std::uint16_t userLanguage) {
    if (table.empty()) {
        return std::nullopt;
    }
    using Test = std::function<bool(std::uint16_t)>;
    const std::array<Test, 6> passes = {
        [&](std::uint16_t language) { return language == userLanguage; },
        [&](std::uint16_t language) {
            return PrimaryLanguage(language) == PrimaryLanguage(userLanguage);
        },
        [](std::uint16_t language) { return language == kLanguageNeutral; },
        [](std::uint16_t language) { return PrimaryLanguage(language) == kLanguageNeutral; },
        [](std::uint16_t language) { return language == kLanguageEnglish; },
        [](std::uint16_t language) { return PrimaryLanguage(language) == kLanguageEnglish; },
    };
    for (const Test& pass : passes) {
        const auto found = std::find_if(table.begin(), table.end(),
                                        [&](const auto& entry) { return pass(entry.language); });
        if (found != table.end()) {
            return *found;
        }
    }
    return table.front();
}

std::u16string GetVersionString(std::span<const std::uint8_t> block, std::u16string_view key,
                                std::uint16_t userLanguage) {
    if (!IsStandardKey(key)) {
        return {};
    }
    const std::vector<VersionTranslation> table = QueryVersionTranslations(block);
    const std::optional<VersionTranslation> translation = ChooseTranslation(table, userLanguage);
    if (!translation) {
        return {};
    }
    return QueryVersionText(block, StringQueryPath(*translation, key)).value_or(u"");
}

std::u16string GetFileVersionString(std::u16string_view path, std::u16string_view key) {
    if (!IsStandardKey(key)) {
        return {};
    }
    const std::vector<std::uint8_t> block = platform::ReadFileVersionInfo(path);
    if (block.empty()) {
        return {};
    }
    return GetVersionString(block, key, platform::GetUserDefaultLangId());
}

} // namespace vg::util
