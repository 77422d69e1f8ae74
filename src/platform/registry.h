// The registry, read through keys and values as RegOpenKeyExW and RegQueryValueExW give them.
#pragma once

#include "platform/error_codes.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace vg::platform {

/// The predefined keys, with the handle values Windows gives them.
enum class RegistryHive : std::uint32_t {
    ClassesRoot = 0x80000000,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
    Users = 0x80000003,
};

/// Access rights of RegistryKey::Open (KEY_QUERY_VALUE, KEY_ENUMERATE_SUB_KEYS, KEY_NOTIFY,
/// KEY_READ) and its view flags (KEY_WOW64_64KEY, KEY_WOW64_32KEY).
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyRead = 0x00020019;
inline constexpr std::uint32_t kKeyWow64View64 = 0x0100;
inline constexpr std::uint32_t kKeyWow64View32 = 0x0200;

/// Value types (REG_NONE to REG_QWORD).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegExpandString = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiString = 7;
inline constexpr std::uint32_t kRegResourceList = 8;
inline constexpr std::uint32_t kRegFullResourceDescriptor = 9;
inline constexpr std::uint32_t kRegResourceRequirementsList = 10;
inline constexpr std::uint32_t kRegQword = 11;

/// Owns one open registry key for reading; it is closed when the object goes. The calls return
/// a Windows error number (0 on success) rather than setting the last error, as the registry
/// calls of Windows do.
///
/// Windows: RegOpenKeyExW, RegQueryValueExW and RegCloseKey.
/// Linux: the registry files of the Wine prefix ($WINEPREFIX, else ~/.wine), read and never
/// written: system.reg is HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER, and HKEY_USERS holds
/// ".Default" (userdef.reg) and the user of user.reg under the name that file gives. Each file
/// is parsed once for every change of it (its identity, size and time). A missing, unreadable
/// or damaged file holds no keys, so without a prefix every key is missing; a line of a file
/// that cannot be read is a missing key or value. Keys that Wine keeps as symbolic links
/// ("#link" sections, such as System\CurrentControlSet) are followed.
class RegistryKey {
public:
    RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    ~RegistryKey();

    /// Opens the key at a "\"-separated path below a hive ("" is the hive itself), names
    /// compared without regard to case; a key this object held is closed first. The access is
    /// kKeyRead or a part of it, with at most one view flag. Without a view flag the program's
    /// own view is read: the program is a 32-bit Windows build, so on 64-bit Windows that is
    /// the 32-bit view, and the Linux build reads the same view.
    /// Returns 0; 2 when the key is missing (a path with an empty name in it too); 5 when the
    /// access asks for more than reading, or a registry file cannot be read for its
    /// permissions; 87 for both view flags.
    /// Linux: in a win64 prefix ("#arch=win64" in system.reg) the 32-bit view reads
    /// HKEY_LOCAL_MACHINE\Software\<name> at Software\Wow6432Node\<name>, except for
    /// Software\Classes, which both views share; below the Classes keys of HKEY_LOCAL_MACHINE,
    /// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT, CLSID, DirectShow, Interface, Media Type and
    /// MediaFoundation read at Wow6432Node\<name>. These are the keys 64-bit Windows 7 and later
    /// redirect. A path that names Wow6432Node itself is not redirected. A win32 prefix has one
    /// view, whatever the flag. HKEY_CLASSES_ROOT is HKEY_CURRENT_USER\Software\Classes laid
    /// over HKEY_LOCAL_MACHINE\Software\Classes: the key opens when either has it, and a value
    /// is read from the user's key when it has one there.
    std::uint32_t Open(RegistryHive hive, std::u16string_view subKey, std::uint32_t access);

    /// Reads a value by name ("" is the default value), as RegQueryValueExW does: the type goes
    /// to *type when type is given; with data, *dataSize is the buffer's size in bytes on the way
    /// in; the value's size (with the terminating zero a string was stored with) comes back in
    /// *dataSize, also when the buffer was too small. The bytes are as stored: strings are
    /// UTF-16LE, a string stored without its zero comes without it, and nothing is expanded.
    /// Returns 0; 2 when the value is missing; 5 when the key was opened without
    /// kKeyQueryValue; 6 on a closed key; 87 for data without dataSize; kErrorMoreData (234)
    /// when the buffer is too small, leaving it as it was.
    std::uint32_t QueryValue(std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* dataSize) const;

    [[nodiscard]] bool IsOpen() const { return state_ != nullptr; }

    /// Closes the key; closing a closed key does nothing.
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace vg::platform
