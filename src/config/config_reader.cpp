// The reading rules of the configuration documents, over nlohmann/json's non-throwing parse.
// Documents are UTF-8 and read as such; every type is checked before a value is read, so a
// value of the wrong type is reported with its place instead of ending the run.
#include "config/config_reader.h"

#include "util/text_encoding.h"
#include "util/wide_text.h"

#include <nlohmann/json.hpp>

#include <functional>

namespace vg::config {
namespace {

using Json = nlohmann::json;

std::string TypeName(const Json& value) {
    return value.type_name();
}

[[noreturn]] void ThrowTypeError(const std::string& place, const char* expected,
                                 const Json& value) {
    throw ConfigTypeError(place + " must be " + expected + ", not " + TypeName(value));
}

std::optional<Json> Parse(std::string_view utf8Document) {
    Json document = Json::parse(utf8Document.begin(), utf8Document.end(), nullptr, false);
    if (document.is_discarded()) {
        return std::nullopt;
    }
    return document;
}

/// The member of an object; null for a missing member, and for any member of null (the
/// document "null" behaves like an empty object).
const Json& Member(const Json& object, const std::string& key, const std::string& place) {
    static const Json kNull;
    if (object.is_null()) {
        return kNull;
    }
    if (!object.is_object()) {
        ThrowTypeError(place, "an object", object);
    }
    const auto found = object.find(key);
    return found == object.end() ? kNull : *found;
}

std::u16string ReadString(const Json& value, const std::string& place) {
    if (!value.is_string()) {
        ThrowTypeError(place, "a string", value);
    }
    return util::FromUtf8(value.get_ref<const std::string&>());
}

/// Visits what iterating over the value yields: an array's elements, an object's member
/// values, or a lone value itself; nulls are skipped and every other element must be a string.
void ForEachString(const Json& value, const std::string& place,
                   const std::function<bool(std::u16string)>& visit) {
    if (value.is_null()) {
        return;
    }
    auto visitElement = [&](const Json& element) {
        return element.is_null() || visit(ReadString(element, place + " element"));
    };
    if (value.is_array() || value.is_object()) {
        for (const Json& element : value) {
            if (!visitElement(element)) {
                return;
            }
        }
        return;
    }
    visitElement(value);
}

void ReadList(const Json& value, const std::string& place, std::vector<std::u16string>& list) {
    ForEachString(value, place, [&list](std::u16string entry) {
        list.push_back(std::move(entry));
        return true;
    });
}

void ReadText(const Json& section, const char* key, const std::string& place,
              std::u16string& member) {
    const Json& value = Member(section, key, place);
    if (!value.is_null()) {
        member = ReadString(value, place + "/" + key);
    }
}

void ReadModeSection(const Json& section, const std::string& place, GameConfig& config) {
    ReadList(Member(section, "CheckFiles", place), place + "/CheckFiles", config.CheckFiles);
    ReadText(section, "LauncherName", place, config.LauncherName);
    ReadText(section, "SetupName", place, config.SetupName);
    ReadText(section, "Domain", place, config.Domain);
    ReadText(section, "SetupURL", place, config.SetupURL);
    ReadText(section, "LauncherURL", place, config.LauncherURL);
    ReadText(section, "RegistryRoot", place, config.RegistryRoot);
    const Json& registryPath = Member(section, "RegistryPath", place);
    if (registryPath.is_array()) {
        ReadList(registryPath, place + "/RegistryPath", config.RegistryPath);
    } else if (!registryPath.is_null()) {
        config.RegistryPath.push_back(ReadString(registryPath, place + "/RegistryPath"));
    }
    const Json& checkCodeSign = Member(section, "CheckCodeSignOption", place);
    if (!checkCodeSign.is_null()) {
        if (!checkCodeSign.is_boolean()) {
            ThrowTypeError(place + "/CheckCodeSignOption", "a boolean", checkCodeSign);
        }
        config.CheckCodeSignOption = checkCodeSign.get<bool>();
    }
    ReadList(Member(section, "CodeSignName", place), place + "/CodeSignName", config.CodeSignName);
    ReadText(section, "InstallParams", place, config.InstallParams);
    ReadText(section, "ExecParams", place, config.ExecParams);
}

} // namespace

ServiceListResult ReadServiceList(std::string_view utf8Document, std::u16string_view gameName) {
    const std::optional<Json> document = Parse(utf8Document);
    if (!document) {
        return ServiceListResult::NotJson;
    }
    const Json& games = Member(*document, "service_games", "the document");
    if (games.is_null()) {
        return ServiceListResult::MissingList;
    }
    bool listed = false;
    ForEachString(games, "service_games", [&](const std::u16string& name) {
        listed = util::EqualsIgnoreAsciiCase(name, gameName);
        return !listed;
    });
    return listed ? ServiceListResult::Listed : ServiceListResult::Unlisted;
}

GameDocumentResult ReadGameDocument(std::string_view utf8Document, std::u16string_view gameName,
                                    std::u16string_view mode, GameConfig& config) {
    const std::optional<Json> document = Parse(utf8Document);
    if (!document) {
        return GameDocumentResult::NotJson;
    }
    const std::string game = util::ToUtf8(gameName);
    const Json& gameMember = Member(*document, game, "the document");
    if (gameMember.is_null()) {
        return GameDocumentResult::MissingGame;
    }
    const std::string modeName = util::ToUtf8(mode);
    const Json& section = Member(gameMember, modeName, game);
    if (!section.is_null()) {
        ReadModeSection(section, game + "/" + modeName, config);
    }
    return GameDocumentResult::Read;
}

} // namespace vg::config
