// Building the telemetry event document with the JSON library.
#include "telemetry/trel_document.h"

#include "util/text_encoding.h"
#include "util/wide_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>

namespace vg::telemetry {
namespace {

using Json = nlohmann::json;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

char16_t ToUpperAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

Json EventObject(const TrelIdentity& identity, std::string_view actionCode,
                 std::uint32_t actionResult, const std::optional<std::string>& description) {
    Json data = Json::object();
    data["action_code"] = actionCode;
    data["action_result"] = FormatActionResult(actionResult);
    data["add_params"] = Json::object();
    data["add_params"]["version"] = util::ToUtf8(identity.version);
    if (description) {
        data["description"] = *description;
    }
    data["sequence_key"] = util::ToUtf8(identity.sequenceKey);
    return data;
}

std::string Serialise(const TrelIdentity& identity, std::string_view actionCode,
                      std::uint32_t actionResult, const std::optional<std::string>& description) {
    Json document = Json::object();
    document["data"] = EventObject(identity, actionCode, actionResult, description);
    document["mid"] = util::ToUtf8(identity.mid);
    document["mode"] = util::ToUtf8(identity.mode);
    document["product_code"] = util::ToUtf8(identity.productCode);
    document["service_code"] = util::ToUtf8(identity.serviceCode);
    document["topic"] = util::ToUtf8(identity.topic);
    // Every text is valid UTF-8 by construction; replacing instead of throwing keeps a fault
    // elsewhere from ending the program inside a telemetry call.
    std::string text = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::erase(text, '\n');
    return text;
}

} // namespace

TrelIdentity MakeTrelIdentity(int isTest, std::u16string_view gameName, std::u16string_view mid,
                              std::u16string sequenceKey, std::u16string version) {
    TrelIdentity identity;
    identity.topic = isTest == 1 ? u"production-test-topic" : u"launcher-user-topic";
    identity.mode = u"production";
    identity.mid = mid;
    identity.serviceCode = gameName;
    identity.productCode = u"varnugamesstarter";
    identity.sequenceKey = std::move(sequenceKey);
    identity.version = std::move(version);
    return identity;
}

std::u16string MakeSequenceKey(std::uint32_t uuidStatus, std::string_view uuidText) {
    if (uuidStatus != 0) {
        return {};
    }
    std::u16string key = util::WidenAscii(uuidText);
    util::Trim(key);
    std::transform(key.begin(), key.end(), key.begin(), ToUpperAscii);
    util::RemoveAll(key, u'-');
    return key;
}

std::string FormatActionResult(std::uint32_t actionResult) {
    if (actionResult == 0) {
        return "00000000";
    }
    std::array<char, 8> digits{};
    const auto [end, error] =
        std::to_chars(digits.data(), digits.data() + digits.size(), actionResult, 16);
    std::string text(digits.data(), error == std::errc() ? end : digits.data());
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

std::string_view CutUtf8(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.size() <= maxBytes) {
        return utf8;
    }
    std::size_t end = maxBytes;
    while (end > 0 && IsContinuationByte(utf8[end])) {
        --end;
    }
    return utf8.substr(0, end);
}

std::optional<std::string> BuildEventDocument(const TrelIdentity& identity,
                                              std::string_view actionCode,
                                              std::uint32_t actionResult,
                                              std::u16string_view description,
                                              std::size_t maxBytes) {
    if (description.empty()) {
        std::string text = Serialise(identity, actionCode, actionResult, std::nullopt);
        return text.size() <= maxBytes ? std::optional<std::string>(std::move(text)) : std::nullopt;
    }
    const std::string whole = util::ToUtf8(description);
    const auto serialiseKeeping = [&](std::size_t bytes) {
        return Serialise(identity, actionCode, actionResult, std::string(CutUtf8(whole, bytes)));
    };
    std::string text = serialiseKeeping(whole.size());
    if (text.size() <= maxBytes) {
        return text;
    }
    if (serialiseKeeping(0).size() > maxBytes) {
        return std::nullopt;
    }
    // The longest start of the description that fits: the text grows with every character
    // kept, by one to six bytes depending on its escape, so the length is searched for.
    std::size_t fits = 0;
    std::size_t tooLong = whole.size();
    while (tooLong - fits > 1) {
        const std::size_t middle = fits + (tooLong - fits) / 2;
        if (serialiseKeeping(middle).size() <= maxBytes) {
            fits = middle;
        } else {
            tooLong = middle;
        }
    }
    return serialiseKeeping(fits);
}

} // namespace vg::telemetry
