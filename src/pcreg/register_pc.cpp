// The two registration protocols: their documents, and the notices when they fail.
#include "pcreg/register_pc.h"

#include "pcreg/hardware_identity.h"
#include "pcreg/security_centre.h"
#include "platform/ui.h"
#include "util/text_encoding.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace vg::pcreg {
namespace {

/// Compact JSON in the ANSI code page. Bytes that are not UTF-8 (ANSI text outside ASCII on a
/// code page other than UTF-8) are replaced rather than ending the run.
std::u16string SerializeDocument(const nlohmann::json& document) {
    return util::FromAnsi(document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

int ShowFailure(std::u16string_view message) {
    platform::ShowMessageBox(message, platform::MessageBoxIcon::Question);
    return 0;
}

} // namespace

std::u16string RegisterPcBody(int registerMode, std::u16string_view identityHash,
                              std::u16string_view macText, std::u16string_view volumeSerialHex) {
    nlohmann::json document = nlohmann::json::object();
    if (registerMode == 1) {
        document["macAddr"] = util::ToAnsi(macText);
        document["hwsn"] = util::ToAnsi(volumeSerialHex);
    }
    document["hash"] = util::ToAnsi(identityHash);
    return SerializeDocument(document);
}

std::u16string RegisterPcV2Body(int registerMode, const PcIdentityV2& identity) {
    nlohmann::json document = nlohmann::json::object();
    document["macAddr"] = util::ToAnsi(identity.macText);
    document["hwsn"] = util::ToAnsi(identity.volumeSerialHex);
    document["comKey"] = util::ToAnsi(identity.hardwareId);
    if (registerMode == 1) {
        document["hash"] = util::ToAnsi(identity.hardwareIdHash);
    } else {
        document["hash"] = util::ToAnsi(identity.macHash);
        document["hashV2"] = util::ToAnsi(identity.hardwareIdHash);
    }
    return SerializeDocument(document);
}

PcIdentityV2 ReadPcIdentityV2() {
    PcIdentityV2 identity;
    identity.macText = GetMacAddressText();
    identity.hardwareId = GetComputerHardwareId();
    const std::uint32_t serial = GetSystemVolumeSerial();
    identity.volumeSerialHex = VolumeSerialHex(serial);
    const std::u16string volumeSerialDec = VolumeSerialDec(serial);
    identity.macHash = IdentityHashOf(identity.macText, volumeSerialDec);
    identity.hardwareIdHash = IdentityHashOf(identity.hardwareId, volumeSerialDec);
    return identity;
}

int RegisterPc(std::u16string_view mode, std::u16string_view encStr, int registerMode) {
    std::u16string identityHash;
    std::u16string macText;
    std::u16string volumeSerialHex;
    SpecifyPC(identityHash, macText, volumeSerialHex);
    if (identityHash.empty()) {
        return ShowFailure(kPcInfoUnavailableMessage);
    }
    const std::u16string body =
        RegisterPcBody(registerMode, identityHash, macText, volumeSerialHex);
    if (!SendSecurityCentreRequest(body, registerMode, 0, mode, encStr)) {
        return ShowFailure(kPcInfoSendFailedMessage);
    }
    return 1;
}

int RegisterPcV2(std::u16string_view mode, std::u16string_view encStr, int registerMode) {
    const std::u16string body = RegisterPcV2Body(registerMode, ReadPcIdentityV2());
    if (!SendSecurityCentreRequest(body, registerMode, 1, mode, encStr)) {
        return ShowFailure(kPcInfoSendFailedMessage);
    }
    return 1;
}

} // namespace vg::pcreg
