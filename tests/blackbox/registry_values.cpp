// Registry values as Wine's registry files and as a ".reg" file.
#include "blackbox/registry_values.h"

#include "util/text_encoding.h"

#include <algorithm>
#include <cstdio>

namespace vg::test {
namespace {

using Hive = RegistryValue::Hive;

/// The keys in the order of their first value, each with its values.
std::vector<std::pair<std::string, std::vector<RegistryValue>>>
ByKey(const std::vector<RegistryValue>& values, std::optional<Hive> onlyHive, bool onlyWithData) {
    std::vector<std::pair<std::string, std::vector<RegistryValue>>> keys;
    for (const RegistryValue& value : values) {
        if ((onlyHive && value.hive != *onlyHive) || (onlyWithData && !value.data)) {
            continue;
        }
        const std::string fullKey =
            (value.hive == Hive::kCurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") +
            value.key;
        auto found = std::find_if(keys.begin(), keys.end(),
                                  [&](const auto& key) { return key.first == fullKey; });
        if (found == keys.end()) {
            found = keys.insert(keys.end(), {fullKey, {}});
        }
        found->second.push_back(value);
    }
    return keys;
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

// Built by appending: GCC 12 at -O3 sees false overlaps in chains of "+" on short literals.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += Escaped(text);
    quoted += '"';
    return quoted;
}

std::string DataText(const RegistryValue::Data& data) {
    if (const auto* text = std::get_if<std::string>(&data)) {
        return Quoted(*text);
    }
    char dword[24];
    std::snprintf(dword, sizeof dword, "dword:%08x", std::get<std::uint32_t>(data));
    return dword;
}

std::string WithoutHive(const std::string& fullKey) {
    return fullKey.substr(fullKey.find('\\') + 1);
}

} // namespace

std::string WineRegistryFileText(const std::vector<RegistryValue>& values, Hive hive) {
    std::string text = hive == Hive::kCurrentUser
                           ? "WINE REGISTRY Version 2\n;; All keys relative to "
                             "\\\\User\\\\S-1-5-21-0-0-0-1000\n"
                           : "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                             "#arch=win32\n";
    for (const auto& [key, keyValues] : ByKey(values, hive, true)) {
        text += "\n[";
        text += Escaped(WithoutHive(key));
        text += "] 1700000000\n";
        for (const RegistryValue& value : keyValues) {
            text += Quoted(value.name);
            text += '=';
            text += DataText(*value.data);
            text += '\n';
        }
    }
    return text;
}

std::string RegImportFileBytes(const std::vector<RegistryValue>& values) {
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    for (const auto& [key, keyValues] : ByKey(values, std::nullopt, false)) {
        text += "\r\n[";
        text += key;
        text += "]\r\n";
        for (const RegistryValue& value : keyValues) {
            text += Quoted(value.name);
            text += '=';
            text += value.data ? DataText(*value.data) : std::string("-");
            text += "\r\n";
        }
    }
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : util::FromUtf8(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace vg::test
