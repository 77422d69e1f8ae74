// Reads ELF section headers and the section-name string table, for the version block the Linux
// program carries. Every read is bounds-checked. POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/elf_image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vg::platform::posix {
namespace {

constexpr std::uint8_t kElfClass32 = 1;
constexpr std::uint8_t kElfClass64 = 2;
constexpr std::uint8_t kElfDataLittle = 1;
constexpr std::uint8_t kElfDataBig = 2;
constexpr std::uint32_t kSectionTypeNoBits = 8;
constexpr std::uint16_t kSectionIndexExtended = 0xFFFF; // SHN_XINDEX
constexpr std::uint64_t kElf64HeaderSize = 64;
// Section tables and name tables past this are not from a program of ours; refusing them keeps
// a hostile header from asking for a huge allocation.
constexpr std::uint64_t kMaxTableSize = 16 * 1024 * 1024;

// The fields of the file and section headers that differ between the classes and byte orders.
class ElfLayout {
public:
    ElfLayout(bool is64, bool bigEndian) : is64_(is64), bigEndian_(bigEndian) {}

    [[nodiscard]] std::uint64_t SectionHeaderOffset(const std::uint8_t* header) const {
        return is64_ ? Read(header + 40, 8) : Read(header + 32, 4);
    }
    [[nodiscard]] std::uint64_t SectionHeaderEntrySize(const std::uint8_t* header) const {
        return Read(header + (is64_ ? 58 : 46), 2);
    }
    [[nodiscard]] std::uint64_t SectionCount(const std::uint8_t* header) const {
        return Read(header + (is64_ ? 60 : 48), 2);
    }
    [[nodiscard]] std::uint64_t NameTableIndex(const std::uint8_t* header) const {
        return Read(header + (is64_ ? 62 : 50), 2);
    }
    [[nodiscard]] std::uint64_t MinimumSectionEntrySize() const { return is64_ ? 64 : 40; }

    [[nodiscard]] std::uint64_t SectionName(const std::uint8_t* section) const {
        return Read(section, 4);
    }
    [[nodiscard]] std::uint64_t SectionType(const std::uint8_t* section) const {
        return Read(section + 4, 4);
    }
    [[nodiscard]] std::uint64_t SectionOffset(const std::uint8_t* section) const {
        return is64_ ? Read(section + 24, 8) : Read(section + 16, 4);
    }
    [[nodiscard]] std::uint64_t SectionSize(const std::uint8_t* section) const {
        return is64_ ? Read(section + 32, 8) : Read(section + 20, 4);
    }
    [[nodiscard]] std::uint64_t SectionLink(const std::uint8_t* section) const {
        return Read(section + (is64_ ? 40 : 24), 4);
    }

private:
    [[nodiscard]] std::uint64_t Read(const std::uint8_t* bytes, std::size_t width) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t index = bigEndian_ ? i : width - 1 - i;
            value = (value << 8) | bytes[index];
        }
        return value;
    }

    bool is64_;
    bool bigEndian_;
};

std::optional<std::vector<std::uint8_t>> ReadTable(const ByteSource& source, std::uint64_t offset,
                                                   std::uint64_t length) {
    if (length > kMaxTableSize || !RangeFits(offset, length, source.Size())) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!source.ReadAt(offset, bytes.data(), bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<ElfLayout> ReadLayout(const std::uint8_t* ident) {
    if (ident[0] != 0x7F || ident[1] != 'E' || ident[2] != 'L' || ident[3] != 'F') {
        return std::nullopt;
    }
    const bool knownClass = ident[4] == kElfClass32 || ident[4] == kElfClass64;
    const bool knownOrder = ident[5] == kElfDataLittle || ident[5] == kElfDataBig;
    if (!knownClass || !knownOrder) {
        return std::nullopt;
    }
    return ElfLayout(ident[4] == kElfClass64, ident[5] == kElfDataBig);
}

// Whether the NUL-terminated name at `offset` of the name table is `name`.
bool NameMatches(const std::vector<std::uint8_t>& names, std::uint64_t offset,
                 std::string_view name) {
    if (!RangeFits(offset, name.size() + 1, names.size())) {
        return false;
    }
    const auto* const start = names.data() + offset;
    return std::string_view(reinterpret_cast<const char*>(start), name.size()) == name &&
           start[name.size()] == 0;
}

} // namespace

std::optional<ByteRange> FindElfSection(const ByteSource& source, std::string_view name) {
    // An ELF32 header is 52 bytes, but a file that also has a section table is longer than 64.
    const auto header = ReadTable(source, 0, kElf64HeaderSize);
    const std::optional<ElfLayout> layout = header ? ReadLayout(header->data()) : std::nullopt;
    if (!layout) {
        return std::nullopt;
    }
    const std::uint64_t tableOffset = layout->SectionHeaderOffset(header->data());
    const std::uint64_t entrySize = layout->SectionHeaderEntrySize(header->data());
    if (tableOffset == 0 || entrySize < layout->MinimumSectionEntrySize()) {
        return std::nullopt;
    }
    // Past 0xFF00 sections, the count and the name-table index move into section 0.
    const auto first = ReadTable(source, tableOffset, entrySize);
    if (!first) {
        return std::nullopt;
    }
    std::uint64_t count = layout->SectionCount(header->data());
    if (count == 0) {
        count = layout->SectionSize(first->data());
    }
    std::uint64_t namesIndex = layout->NameTableIndex(header->data());
    if (namesIndex == kSectionIndexExtended) {
        namesIndex = layout->SectionLink(first->data());
    }
    if (namesIndex >= count || count > kMaxTableSize / entrySize) {
        return std::nullopt;
    }
    const auto table = ReadTable(source, tableOffset, count * entrySize);
    if (!table) {
        return std::nullopt;
    }
    const std::uint8_t* const namesHeader = table->data() + namesIndex * entrySize;
    const auto names =
        ReadTable(source, layout->SectionOffset(namesHeader), layout->SectionSize(namesHeader));
    if (!names) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* const section = table->data() + i * entrySize;
        if (!NameMatches(*names, layout->SectionName(section), name)) {
            continue;
        }
        const ByteRange range{layout->SectionOffset(section), layout->SectionSize(section)};
        if (layout->SectionType(section) == kSectionTypeNoBits ||
            !RangeFits(range.offset, range.size, source.Size())) {
            return std::nullopt;
        }
        return range;
    }
    return std::nullopt;
}

} // namespace vg::platform::posix
