// The PC's hardware identity: a network adapter's MAC address, the system volume's serial, the
// computer hardware id, their text forms and the hashes made from them.
#pragma once

#include "platform/uuid.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vg::pcreg {

/// The UUID's node (its last six bytes) as 12 lower-case hexadecimal digits.
std::u16string MacAddressText(const platform::Uuid& uuid);

/// The MAC text of a freshly made sequential UUID, whatever its status: without an adapter the
/// node is the system's stand-in number.
std::u16string GetMacAddressText();

/// The serial number of the volume of the fixed drive the Windows directory is on: its drive
/// part followed by "\" must equal one of the roots "C:\" to "Z:\" exactly, letter case
/// included. 0 when the directory, the drive or its serial cannot be had.
std::uint32_t GetSystemVolumeSerial();

/// The registry's hardware id with every "{", "-" and "}" removed.
std::u16string HardwareIdText(std::u16string registryText);

/// HardwareIdText of HKLM\SYSTEM\CurrentControlSet\Control\SystemInformation
/// "ComputerHardwareId"; empty when it cannot be read.
std::u16string GetComputerHardwareId();

/// The serial as "%X" (upper-case hexadecimal, no leading zeros).
std::u16string VolumeSerialHex(std::uint32_t serial);

/// The serial as "%u".
std::u16string VolumeSerialDec(std::uint32_t serial);

/// The SHA-256, as 64 lower-case hexadecimal digits, of the ANSI bytes of `text` followed by
/// those of `volumeSerialDec`, each cut to 259 bytes as their buffers cut them. Empty only when
/// the digest text cannot be read back in the ANSI code page.
std::u16string IdentityHashOf(std::u16string_view text, std::u16string_view volumeSerialDec);

/// The first protocol's identity: the hash of the MAC text and the decimal serial, the MAC text,
/// and the hexadecimal serial.
void SpecifyPC(std::u16string& identityHash, std::u16string& macText,
               std::u16string& volumeSerialHex);

} // namespace vg::pcreg
