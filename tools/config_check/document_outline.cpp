// Finding games and modes in the configuration documents, in document order.
#include "document_outline.h"

#include "util/text_encoding.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace vg::config_check {
namespace {

using Json = nlohmann::ordered_json;

std::optional<Json> Parse(std::string_view utf8Document) {
    Json document = Json::parse(utf8Document.begin(), utf8Document.end(), nullptr, false);
    if (document.is_discarded()) {
        return std::nullopt;
    }
    return document;
}

void AddName(const Json& element, std::vector<std::u16string>& names) {
    if (!element.is_string()) {
        return;
    }
    std::u16string name = util::FromUtf8(element.get_ref<const std::string&>());
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
    }
}

} // namespace

ListOutline OutlineServiceList(std::string_view utf8Document) {
    ListOutline outline;
    const std::optional<Json> document = Parse(utf8Document);
    if (!document || !document->is_object()) {
        return outline;
    }
    const auto games = document->find("service_games");
    if (games == document->end()) {
        return outline;
    }
    if (games->is_array() || games->is_object()) {
        outline.readable = true;
        for (const Json& element : *games) {
            AddName(element, outline.names);
        }
    } else if (games->is_string()) {
        outline.readable = true;
        AddName(*games, outline.names);
    }
    return outline;
}

std::vector<std::u16string> ModeNames(std::string_view utf8Document, std::u16string_view game) {
    std::vector<std::u16string> modes;
    const std::optional<Json> document = Parse(utf8Document);
    if (!document || !document->is_object()) {
        return modes;
    }
    const auto member = document->find(util::ToUtf8(game));
    if (member == document->end() || !member->is_object()) {
        return modes;
    }
    for (const auto& [mode, section] : member->items()) {
        modes.push_back(util::FromUtf8(mode));
    }
    return modes;
}

} // namespace vg::config_check
