// PC registration and verification with the security centre, in both protocol generations.
#pragma once

#include <string>
#include <string_view>

namespace vg::pcreg {

inline constexpr std::u16string_view kPcInfoUnavailableMessage = u"PC 정보를 가져올 수 없습니다. ";
inline constexpr std::u16string_view kPcInfoSendFailedMessage = u"PC 정보전송에 실패 했습니다. ";

/// The first protocol's document: "hash", and for a registration "hwsn" and "macAddr" too;
/// compact JSON, members sorted, the values as ANSI text.
std::u16string RegisterPcBody(int registerMode, std::u16string_view identityHash,
                              std::u16string_view macText, std::u16string_view volumeSerialHex);

/// The second protocol's values.
struct PcIdentityV2 {
    std::u16string macText;
    std::u16string hardwareId;
    std::u16string volumeSerialHex;
    std::u16string macHash;        ///< hash of the MAC text and the decimal serial
    std::u16string hardwareIdHash; ///< hash of the hardware id and the decimal serial
};

/// The second protocol's document: "comKey", "hash", "hwsn" and "macAddr"; a registration's
/// "hash" is the hardware-id hash, a verification's the MAC hash with "hashV2" the hardware-id
/// hash.
std::u16string RegisterPcV2Body(int registerMode, const PcIdentityV2& identity);

/// The second protocol's values read from this PC.
PcIdentityV2 ReadPcIdentityV2();

/// Registers (registerMode 1) or verifies (0) this PC with the first protocol. 1 on success;
/// 0 after a notice: "PC 정보를 가져올 수 없습니다. " when the identity hash is empty (nothing is
/// sent), "PC 정보전송에 실패 했습니다. " when the request fails.
int RegisterPc(std::u16string_view mode, std::u16string_view encStr, int registerMode);

/// The same with the second protocol; a missing hardware id is sent empty.
int RegisterPcV2(std::u16string_view mode, std::u16string_view encStr, int registerMode);

} // namespace vg::pcreg
