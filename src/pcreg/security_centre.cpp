// Requests to the security centre: endpoint, headers, the post and the reading of the reply.
#include "pcreg/security_centre.h"

#include "net/http_post.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vg::pcreg {
namespace {

bool Contains(std::u16string_view text, std::u16string_view word) {
    return text.find(word) != std::u16string_view::npos;
}

bool HasControlCharacter(std::u16string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char16_t c) { return c < u' ' || c == u'\x7F'; });
}

/// The low 32 bits of the status, or nothing when the status is no number and no boolean.
std::optional<std::uint32_t> StatusAsInt32(const nlohmann::json& status) {
    switch (status.type()) {
    case nlohmann::json::value_t::boolean:
        return status.get<bool>() ? 1U : 0U;
    case nlohmann::json::value_t::number_integer:
        return static_cast<std::uint32_t>(status.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned:
        return static_cast<std::uint32_t>(status.get<std::uint64_t>());
    case nlohmann::json::value_t::number_float: {
        // Only a fraction strictly between -1 and 1 truncates to 0; any other value is some
        // non-zero status, and converting one beyond the 32-bit range would be undefined.
        const double value = status.get<double>();
        return std::fabs(value) < 1.0 ? 0U : 1U;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

SecurityCentreEndpoint ChooseSecurityCentreEndpoint(std::u16string_view mode) {
    if (Contains(mode, u"Real") || Contains(mode, u"real") || Contains(mode, u"live")) {
        return {deployment::kSecurityCentreHostProd, 1};
    }
    if (Contains(mode, u"stage")) {
        return {deployment::kSecurityCentreHostStage, 1};
    }
    return {deployment::kSecurityCentreHostQa, Contains(mode, u"qa") ? 1 : 0};
}

std::u16string_view SecurityCentrePath(int registerMode, int secondProtocol) {
    if (registerMode == 1) {
        return secondProtocol ? u"/api/sc/manage/pc/bypluginV2" : u"/api/sc/manage/pc/byplugin";
    }
    return secondProtocol ? u"/api/sc/authenticate/pc/bypluginV2"
                          : u"/api/sc/authenticate/pc/byplugin";
}

std::u16string SecurityCentreHeaders(std::u16string_view encStr) {
    return u"Content-Type:application/json; charset=utf-8 \r\nX-VG-Token:" +
           std::u16string(encStr) + u"\r\n";
}

bool IsSuccessfulReply(std::string_view utf8Reply) {
    const nlohmann::json reply = nlohmann::json::parse(utf8Reply, nullptr, false);
    if (reply.is_discarded() || !reply.is_object()) {
        return false;
    }
    const auto status = reply.find("status");
    if (status == reply.end()) {
        return false;
    }
    return StatusAsInt32(*status) == 0U;
}

bool SendSecurityCentreRequest(std::u16string_view body, int registerMode, int secondProtocol,
                               std::u16string_view mode, std::u16string_view encStr) {
    if (HasControlCharacter(encStr)) {
        return false;
    }
    const SecurityCentreEndpoint endpoint = ChooseSecurityCentreEndpoint(mode);
    const std::u16string url = std::u16string(endpoint.host) +
                               std::u16string(SecurityCentrePath(registerMode, secondProtocol));
    std::u16string response;
    if (net::HttpPostForm(url, body, SecurityCentreHeaders(encStr), endpoint.secure, response) !=
        0) {
        return false;
    }
    return IsSuccessfulReply(util::ToUtf8(response));
}

} // namespace vg::pcreg
