// Reading the hardware identity from the system, and its text forms and hashes.
#include "pcreg/hardware_identity.h"

#include "pcspec/fixed_drives.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "util/registry_text.h"
#include "util/sha256.h"
#include "util/text_encoding.h"

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>

namespace vg::pcreg {
namespace {

constexpr std::u16string_view kSystemInformationKey =
    u"SYSTEM\\CurrentControlSet\\Control\\SystemInformation";
constexpr std::size_t kHardwareIdBufferBytes = 5200;
/// Each text that goes into a hash passes through a buffer of 260 bytes.
constexpr std::size_t kHashPartBytes = 259;

/// "C:\" for a Windows directory "C:\Windows"; empty when the path has no drive part.
std::u16string SystemRoot(std::u16string_view windowsDirectory) {
    if (windowsDirectory.size() < 2 || windowsDirectory[1] != u':') {
        return {};
    }
    return std::u16string(windowsDirectory.substr(0, 2)) + u"\\";
}

std::u16string Formatted(const char* format, std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return util::WidenAscii(text);
}

} // namespace

std::u16string MacAddressText(const platform::Uuid& uuid) {
    char text[13];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", uuid.data4[2], uuid.data4[3],
                  uuid.data4[4], uuid.data4[5], uuid.data4[6], uuid.data4[7]);
    return util::WidenAscii(text);
}

std::u16string GetMacAddressText() {
    platform::Uuid uuid;
    platform::CreateSequentialUuid(uuid);
    return MacAddressText(uuid);
}

std::uint32_t GetSystemVolumeSerial() {
    const std::optional<std::u16string> windowsDirectory = platform::WindowsDirectory();
    const std::u16string systemRoot = windowsDirectory ? SystemRoot(*windowsDirectory) : u"";
    // Only the roots "C:\" to "Z:\" are examined; "c:\" names none of them.
    if (systemRoot.empty() || systemRoot.front() < u'C' || systemRoot.front() > u'Z') {
        return 0;
    }
    const std::optional<pcspec::FixedDrive> drive = pcspec::FindFixedDrive(systemRoot.front());
    return drive ? platform::GetVolumeSerialNumber(drive->Root()).value_or(0) : 0;
}

std::u16string HardwareIdText(std::u16string registryText) {
    std::erase_if(registryText, [](char16_t c) { return c == u'{' || c == u'-' || c == u'}'; });
    return registryText;
}

std::u16string GetComputerHardwareId() {
    std::optional<std::u16string> text =
        util::ReadRegistryText(platform::RegistryHive::LocalMachine, kSystemInformationKey,
                               u"ComputerHardwareId", kHardwareIdBufferBytes);
    return text ? HardwareIdText(std::move(*text)) : std::u16string();
}

std::u16string VolumeSerialHex(std::uint32_t serial) {
    return Formatted("%X", serial);
}

std::u16string VolumeSerialDec(std::uint32_t serial) {
    return Formatted("%u", serial);
}

std::u16string IdentityHashOf(std::u16string_view text, std::u16string_view volumeSerialDec) {
    const std::string joined = util::ToAnsi(text).substr(0, kHashPartBytes) +
                               util::ToAnsi(volumeSerialDec).substr(0, kHashPartBytes);
    try {
        return util::FromAnsi(util::Sha256Hex(joined));
    } catch (const std::system_error&) {
        return {};
    }
}

void SpecifyPC(std::u16string& identityHash, std::u16string& macText,
               std::u16string& volumeSerialHex) {
    macText = GetMacAddressText();
    const std::uint32_t serial = GetSystemVolumeSerial();
    volumeSerialHex = VolumeSerialHex(serial);
    identityHash = IdentityHashOf(macText, VolumeSerialDec(serial));
}

} // namespace vg::pcreg
