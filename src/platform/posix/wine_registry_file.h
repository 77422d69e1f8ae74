// Wine's text registry files (system.reg, user.reg, userdef.reg), parsed into keys and values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vg::platform::posix {

/// The largest file the reader takes; a larger one counts as holding no keys.
inline constexpr std::size_t kMaxRegistryFileBytes = std::size_t{256} << 20;

/// The largest value the parser keeps; a larger one counts as missing.
inline constexpr std::size_t kMaxRegistryValueBytes = std::size_t{16} << 20;

/// A value as the registry hands it out: its type and its bytes, strings as UTF-16LE with
/// their terminating zero.
struct WineRegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

/// A key of the file: its values and sub-keys by folded name, and whether it is a symbolic link
/// (a "#link" section whose "SymbolicLinkValue" names the key it stands for).
struct WineRegistryKey {
    std::unordered_map<std::u16string, WineRegistryValue> values;
    std::unordered_map<std::u16string, std::unique_ptr<WineRegistryKey>> subKeys;
    bool isLink = false;
};

/// The most keys and values one file may hold, about fifty times what a Wine prefix holds; a
/// file with more counts as damaged, so that a small hostile file cannot take gigabytes.
inline constexpr std::size_t kMaxRegistryEntries = std::size_t{1} << 20;

/// Windows' limits on a key path, which keep a hostile file from nesting keys without end:
/// at most 512 levels, and at most 255 characters a name.
inline constexpr std::size_t kMaxRegistryKeyDepth = 512;
inline constexpr std::size_t kMaxRegistryKeyNameLength = 255;

/// The keys of one registry file. Parsing never fails: text without the "WINE REGISTRY
/// Version 2" header, or with too many entries, holds no keys at all, and a line that cannot be
/// read is skipped (a key line together with the values under it), so a damaged file yields missing
/// keys and values.
class WineRegistryFile {
public:
    static WineRegistryFile Parse(std::string_view text);

    /// The file's root key; nullptr when the file holds no keys.
    [[nodiscard]] const WineRegistryKey* Root() const { return root_.get(); }

    /// The key at a "\"-separated path below the root, compared as FoldRegistryName does; ""
    /// is the root. The parents of every key in the file exist too.
    [[nodiscard]] const WineRegistryKey* FindKey(std::u16string_view path) const;

    /// A sub-key of a key by its name, compared as FoldRegistryName does.
    [[nodiscard]] static const WineRegistryKey* FindSubKey(const WineRegistryKey& key,
                                                           std::u16string_view name);

    /// A value of a key by name ("" is the default value), compared as FoldRegistryName does.
    [[nodiscard]] static const WineRegistryValue* FindValue(const WineRegistryKey& key,
                                                            std::u16string_view name);

    /// True when the lines before the first key say "#arch=win64".
    [[nodiscard]] bool IsWin64() const { return win64_; }

    /// The key the file's keys lie below, from its ";; All keys relative to" line, e.g.
    /// "\User\S-1-5-21-0-0-0-1000"; empty when the line is missing.
    [[nodiscard]] const std::u16string& RelativeTo() const { return relativeTo_; }

private:
    WineRegistryKey* AddKey(std::u16string_view path);
    void AddValue(WineRegistryKey& key, std::u16string_view name, WineRegistryValue value);
    void ReadHeaderComment(std::string_view line);
    void ReadDirective(std::string_view line, WineRegistryKey* current, bool inHeader);

    std::unique_ptr<WineRegistryKey> root_;
    std::size_t entries_ = 0;
    bool win64_ = false;
    std::u16string relativeTo_;
};

/// A key or value name in the form names are compared in: the small letters of the Latin,
/// Greek and Cyrillic alphabets (and the fullwidth Latin ones) made capitals, everything else
/// kept. Windows compares with a full Unicode table; these are the letters names use in practice.
std::u16string FoldRegistryName(std::u16string_view name);

} // namespace vg::platform::posix
