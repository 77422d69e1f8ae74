// Reads PE headers and walks the resource tree to the version resource. Every read goes
// through bounds checks, so a damaged or hostile file yields "not found". POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/pe_image.h"

#include "platform/posix/random_access_file.h"

#include <algorithm>

namespace vg::platform::posix {
namespace {

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint64_t kSignatureAndFileHeaderSize = 4 + 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
// The optional header up to its data directories.
constexpr std::uint64_t kPe32FixedOptionalSize = 96;
constexpr std::uint64_t kPe32PlusFixedOptionalSize = 112;

constexpr std::uint64_t kResourceDirectorySize = 16;
constexpr std::uint64_t kResourceEntrySize = 8;
constexpr std::uint64_t kResourceDataEntrySize = 16;
constexpr std::uint32_t kResourceSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kResourceNameIsStringFlag = 0x80000000;
constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kVersionResourceName = 1;

std::uint16_t Le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(Le16(bytes)) |
           (static_cast<std::uint32_t>(Le16(bytes + 2)) << 16);
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const ByteSource& source, std::uint64_t offset,
                                                   std::uint64_t length) {
    if (!RangeFits(offset, length, source.Size())) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!source.ReadAt(offset, bytes.data(), bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

PeSection DecodeSection(const std::uint8_t* entry) {
    PeSection section;
    std::copy_n(entry, section.name.size(), section.name.begin());
    section.virtualSize = Le32(entry + 8);
    section.virtualAddress = Le32(entry + 12);
    section.sizeOfRawData = Le32(entry + 16);
    section.pointerToRawData = Le32(entry + 20);
    section.characteristics = Le32(entry + 36);
    return section;
}

bool ReadSectionTable(const ByteSource& source, std::uint16_t count, PeHeaders& headers) {
    const auto table = ReadBytes(source, headers.sectionTableOffset, count * kSectionHeaderSize);
    if (!table) {
        return false;
    }
    headers.sections.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        headers.sections.push_back(DecodeSection(table->data() + i * kSectionHeaderSize));
    }
    return true;
}

bool ReadOptionalHeader(const ByteSource& source, PeHeaders& headers) {
    const auto magicBytes = ReadBytes(source, headers.optionalHeaderOffset, 2);
    if (!magicBytes) {
        return false;
    }
    headers.magic = Le16(magicBytes->data());
    if (headers.magic != kPe32Magic && headers.magic != kPe32PlusMagic) {
        return false;
    }
    const std::uint64_t fixedSize =
        headers.IsPe32Plus() ? kPe32PlusFixedOptionalSize : kPe32FixedOptionalSize;
    if (headers.optionalHeaderSize < fixedSize) {
        return false;
    }
    const auto fixed = ReadBytes(source, headers.optionalHeaderOffset, fixedSize);
    if (!fixed) {
        return false;
    }
    const std::uint8_t* const bytes = fixed->data();
    headers.sectionAlignment = Le32(bytes + 32);
    headers.fileAlignment = Le32(bytes + 36);
    headers.sizeOfImage = Le32(bytes + 56);
    headers.sizeOfHeaders = Le32(bytes + 60);
    headers.checkSum = Le32(bytes + 64);
    headers.checkSumOffset = headers.optionalHeaderOffset + 64;
    headers.subsystem = Le16(bytes + 68);
    headers.numberOfRvaAndSizes = Le32(bytes + fixedSize - 4);
    headers.dataDirectoriesOffset = headers.optionalHeaderOffset + fixedSize;

    const std::uint64_t count =
        std::min<std::uint64_t>(headers.numberOfRvaAndSizes, kPeMaxDataDirectories);
    if (fixedSize + 8 * count > headers.optionalHeaderSize) {
        return false;
    }
    const auto directories = ReadBytes(source, headers.dataDirectoriesOffset, 8 * count);
    if (!directories) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* const entry = directories->data() + 8 * i;
        headers.dataDirectories.push_back({Le32(entry), Le32(entry + 4)});
    }
    return true;
}

// The file data of the section holding `rva`, from `rva` to the end of what the file holds of
// that section. Bytes past VirtualSize are file padding that the loader does not map.
std::optional<ByteRange> SectionTail(const PeHeaders& headers, std::uint32_t rva,
                                     std::uint64_t sourceSize) {
    for (const PeSection& section : headers.sections) {
        std::uint64_t inFile = section.sizeOfRawData;
        if (section.virtualSize != 0) {
            inFile = std::min<std::uint64_t>(inFile, section.virtualSize);
        }
        if (rva < section.virtualAddress || rva - section.virtualAddress >= inFile) {
            continue;
        }
        const std::uint64_t delta = rva - section.virtualAddress;
        const std::uint64_t offset = static_cast<std::uint64_t>(section.pointerToRawData) + delta;
        if (offset >= sourceSize) {
            return std::nullopt;
        }
        return ByteRange{offset, std::min(inFile - delta, sourceSize - offset)};
    }
    return std::nullopt;
}

// The resource tree: offsets inside it are relative to its start and may not leave the section
// that holds it.
class ResourceTree {
public:
    ResourceTree(const ByteSource& source, ByteRange extent) : source_(source), extent_(extent) {}

    // The subdirectory (levels above the last) or data entry (last level) that the directory at
    // `directory` names with the integer `id`; with no id, its first entry.
    [[nodiscard]] std::optional<std::uint32_t> FindEntry(std::uint32_t directory,
                                                         std::optional<std::uint32_t> id,
                                                         bool wantSubdirectory) const {
        const auto header = Read(directory, kResourceDirectorySize);
        if (!header) {
            return std::nullopt;
        }
        const std::uint64_t count =
            static_cast<std::uint64_t>(Le16(header->data() + 12)) + Le16(header->data() + 14);
        const auto entries = Read(directory + kResourceDirectorySize, count * kResourceEntrySize);
        if (!entries) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* const entry = entries->data() + i * kResourceEntrySize;
            const std::uint32_t name = Le32(entry);
            if (id && ((name & kResourceNameIsStringFlag) != 0 || name != *id)) {
                continue;
            }
            const std::uint32_t target = Le32(entry + 4);
            if (((target & kResourceSubdirectoryFlag) != 0) != wantSubdirectory) {
                return std::nullopt;
            }
            return target & ~kResourceSubdirectoryFlag;
        }
        return std::nullopt;
    }

    [[nodiscard]] std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset,
                                                                std::uint64_t length) const {
        if (!RangeFits(offset, length, extent_.size)) {
            return std::nullopt;
        }
        return ReadBytes(source_, extent_.offset + offset, length);
    }

private:
    const ByteSource& source_;
    ByteRange extent_;
};

} // namespace

std::optional<PeHeaders> ReadPeHeaders(const ByteSource& source) {
    const auto dos = ReadBytes(source, 0, kDosHeaderSize);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') {
        return std::nullopt;
    }
    PeHeaders headers;
    headers.peSignatureOffset = Le32(dos->data() + kLfanewOffset);
    const auto fileHeader =
        ReadBytes(source, headers.peSignatureOffset, kSignatureAndFileHeaderSize);
    if (!fileHeader || Le32(fileHeader->data()) != 0x00004550) { // "PE\0\0"
        return std::nullopt;
    }
    const std::uint8_t* const coff = fileHeader->data() + 4;
    headers.machine = Le16(coff);
    const std::uint16_t sectionCount = Le16(coff + 2);
    headers.optionalHeaderSize = Le16(coff + 16);
    headers.fileCharacteristics = Le16(coff + 18);
    headers.optionalHeaderOffset = headers.peSignatureOffset + kSignatureAndFileHeaderSize;
    headers.sectionTableOffset = headers.optionalHeaderOffset + headers.optionalHeaderSize;
    if (!ReadOptionalHeader(source, headers) || !ReadSectionTable(source, sectionCount, headers)) {
        return std::nullopt;
    }
    return headers;
}

std::optional<ByteRange> PeRvaToFileRange(const PeHeaders& headers, std::uint32_t rva,
                                          std::uint32_t length, std::uint64_t sourceSize) {
    const std::optional<ByteRange> tail = SectionTail(headers, rva, sourceSize);
    if (!tail || tail->size < length) {
        return std::nullopt;
    }
    return ByteRange{tail->offset, length};
}

std::optional<ByteRange> FindPeVersionResource(const ByteSource& source, const PeHeaders& headers) {
    const PeDataDirectory directory = headers.DataDirectory(kPeDirectoryResource);
    if (directory.virtualAddress == 0 || directory.size == 0) {
        return std::nullopt;
    }
    const std::optional<ByteRange> extent =
        SectionTail(headers, directory.virtualAddress, source.Size());
    if (!extent) {
        return std::nullopt;
    }
    // Three fixed levels (type, name, language) are walked, so an entry that points back up the
    // tree cannot make the walk go round.
    const ResourceTree tree(source, *extent);
    const auto names = tree.FindEntry(0, kResourceTypeVersion, true);
    const auto languages = names ? tree.FindEntry(*names, kVersionResourceName, true) : names;
    const auto dataEntry = languages ? tree.FindEntry(*languages, std::nullopt, false) : languages;
    const auto entry = dataEntry ? tree.Read(*dataEntry, kResourceDataEntrySize) : std::nullopt;
    if (!entry) {
        return std::nullopt;
    }
    const std::uint32_t dataRva = Le32(entry->data());
    const std::uint32_t dataSize = Le32(entry->data() + 4);
    if (dataSize == 0) {
        return std::nullopt;
    }
    return PeRvaToFileRange(headers, dataRva, dataSize, source.Size());
}

bool IsPeImageFile(const std::string& nativePath) {
    const std::optional<RandomAccessFile> file = RandomAccessFile::Open(nativePath);
    return file && ReadPeHeaders(*file).has_value();
}

} // namespace vg::platform::posix
