// Serialises a version-information block node by node, each node measured after its children.
#include "version_block/version_block_writer.h"

#include <cstddef>
#include <limits>
#include <stdexcept>

namespace vg::tools {
namespace {

constexpr std::uint16_t kBinaryNode = 0;
constexpr std::uint16_t kTextNode = 1;
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedFileInfoStructVersion = 0x00010000;
constexpr std::uint32_t kFileFlagsMask = 0x3F;
constexpr std::uint32_t kFileOsWindowsNt32 = 0x00040004;
constexpr std::uint32_t kFileTypeApplication = 1;

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    AppendLe16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    AppendLe16(out, static_cast<std::uint16_t>(value >> 16));
}

void StoreLe16(std::vector<std::uint8_t>& out, std::size_t offset, std::uint16_t value) {
    out[offset] = static_cast<std::uint8_t>(value & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void AppendTextWithTerminator(std::vector<std::uint8_t>& out, std::u16string_view text) {
    for (const char16_t unit : text) {
        AppendLe16(out, static_cast<std::uint16_t>(unit));
    }
    AppendLe16(out, 0);
}

// Nodes start on 32-bit boundaries counted from the start of the block, which is offset 0.
void PadToDword(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

std::uint16_t CheckedLength(std::size_t length) {
    if (length > std::numeric_limits<std::uint16_t>::max()) {
        throw std::length_error("version information node longer than 65535 bytes");
    }
    return static_cast<std::uint16_t>(length);
}

// Writes the header and key of a node and returns where it starts; FinishNode fills in wLength
// once the value and the children are written.
std::size_t BeginNode(std::vector<std::uint8_t>& out, std::u16string_view key,
                      std::uint16_t valueLength, std::uint16_t type) {
    PadToDword(out);
    const std::size_t start = out.size();
    AppendLe16(out, 0);
    AppendLe16(out, valueLength);
    AppendLe16(out, type);
    AppendTextWithTerminator(out, key);
    PadToDword(out);
    return start;
}

void FinishNode(std::vector<std::uint8_t>& out, std::size_t start) {
    StoreLe16(out, start, CheckedLength(out.size() - start));
}

std::uint32_t HighWord(const std::array<std::uint16_t, 4>& version) {
    return (static_cast<std::uint32_t>(version[0]) << 16) | version[1];
}

std::uint32_t LowWord(const std::array<std::uint16_t, 4>& version) {
    return (static_cast<std::uint32_t>(version[2]) << 16) | version[3];
}

void AppendFixedFileInfo(std::vector<std::uint8_t>& out, const VersionBlockSpec& wanted) {
    AppendLe32(out, kFixedFileInfoSignature);
    AppendLe32(out, kFixedFileInfoStructVersion);
    AppendLe32(out, HighWord(wanted.fileVersion));
    AppendLe32(out, LowWord(wanted.fileVersion));
    AppendLe32(out, HighWord(wanted.productVersion));
    AppendLe32(out, LowWord(wanted.productVersion));
    AppendLe32(out, kFileFlagsMask);
    AppendLe32(out, 0); // file flags
    AppendLe32(out, kFileOsWindowsNt32);
    AppendLe32(out, kFileTypeApplication);
    AppendLe32(out, 0); // file subtype
    AppendLe32(out, 0); // file date, high
    AppendLe32(out, 0); // file date, low
}

constexpr std::uint16_t kFixedFileInfoSize = 13 * 4;

std::u16string StringTableKey(std::uint16_t language, std::uint16_t codePage) {
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    const std::uint32_t combined = (static_cast<std::uint32_t>(language) << 16) | codePage;
    std::u16string key(8, u'0');
    for (std::size_t i = 0; i < 8; ++i) {
        key[7 - i] = kDigits[(combined >> (4 * i)) & 0xF];
    }
    return key;
}

void AppendString(std::vector<std::uint8_t>& out, std::u16string_view key,
                  std::u16string_view value) {
    // A text value's length counts UTF-16 units, its terminator included.
    const std::size_t start = BeginNode(out, key, CheckedLength(value.size() + 1), kTextNode);
    AppendTextWithTerminator(out, value);
    FinishNode(out, start);
}

void AppendStringTable(std::vector<std::uint8_t>& out, const VersionStringTable& table) {
    const std::size_t start =
        BeginNode(out, StringTableKey(table.language, table.codePage), 0, kTextNode);
    for (const auto& [key, value] : table.strings) {
        AppendString(out, key, value);
    }
    FinishNode(out, start);
}

void AppendStringFileInfo(std::vector<std::uint8_t>& out,
                          const std::vector<VersionStringTable>& tables) {
    const std::size_t start = BeginNode(out, u"StringFileInfo", 0, kTextNode);
    for (const VersionStringTable& table : tables) {
        AppendStringTable(out, table);
    }
    FinishNode(out, start);
}

void AppendVarFileInfo(std::vector<std::uint8_t>& out,
                       const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations) {
    const std::size_t start = BeginNode(out, u"VarFileInfo", 0, kTextNode);
    // A binary value's length counts bytes.
    const std::size_t var =
        BeginNode(out, u"Translation", CheckedLength(translations.size() * 4), kBinaryNode);
    for (const auto& [language, codePage] : translations) {
        AppendLe16(out, language);
        AppendLe16(out, codePage);
    }
    FinishNode(out, var);
    FinishNode(out, start);
}

} // namespace

std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockSpec& wanted) {
    std::vector<std::uint8_t> out;
    const std::size_t root = BeginNode(out, u"VS_VERSION_INFO", kFixedFileInfoSize, kBinaryNode);
    AppendFixedFileInfo(out, wanted);
    if (!wanted.stringTables.empty()) {
        AppendStringFileInfo(out, wanted.stringTables);
    }
    if (wanted.translations.has_value()) {
        AppendVarFileInfo(out, *wanted.translations);
    }
    FinishNode(out, root);
    return out;
}

} // namespace vg::tools
