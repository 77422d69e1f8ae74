// Lays out and writes a PE image: headers, section table, section data and a resource tree with
// one version resource.
#include "support/pe_writer.h"

#include <algorithm>
#include <cassert>
#include <fstream>
#include <stdexcept>

namespace vg::test {
namespace {

constexpr std::size_t kPeSignatureOffset = 0x80;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDataDirectoryCount = 16;
constexpr std::size_t kPe32OptionalHeaderSize = 96 + 8 * kDataDirectoryCount;
constexpr std::size_t kPe32PlusOptionalHeaderSize = 112 + 8 * kDataDirectoryCount;
constexpr std::size_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kResourceSubdirectory = 0x80000000;
constexpr std::uint32_t kResourceTypeVersion = 16;
constexpr std::uint32_t kVersionResourceName = 1;
// The three one-entry directories and the data entry come before the block.
constexpr std::size_t kResourceTreeSize = 3 * (16 + 8) + 16;
constexpr std::uint32_t kSectionContainsCode = 0x00000020;

std::size_t AlignUp(std::size_t value, std::size_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

std::uint32_t U32(std::size_t value) {
    assert(value <= 0xFFFFFFFF);
    return static_cast<std::uint32_t>(value);
}

void Store16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Store64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value) {
    StoreLe32(bytes, offset, static_cast<std::uint32_t>(value & 0xFFFFFFFF));
    StoreLe32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

struct PlacedSection {
    PeSectionSpec wanted;
    std::uint32_t virtualAddress = 0;
    std::uint32_t fileOffset = 0;
    std::uint32_t rawSize = 0;
};

// A one-entry resource directory at `offset` of the resource section.
void StoreResourceDirectory(std::vector<std::uint8_t>& tree, std::size_t offset, std::uint32_t id,
                            std::uint32_t target) {
    Store16(tree, offset + 14, 1); // one entry named by an integer
    StoreLe32(tree, offset + 16, id);
    StoreLe32(tree, offset + 20, target);
}

std::vector<std::uint8_t> ResourceSection(const std::vector<std::uint8_t>& block,
                                          std::uint16_t language, std::uint32_t sectionRva) {
    std::vector<std::uint8_t> tree(kResourceTreeSize + block.size(), 0);
    StoreResourceDirectory(tree, 0, kResourceTypeVersion, kResourceSubdirectory | 24);
    StoreResourceDirectory(tree, 24, kVersionResourceName, kResourceSubdirectory | 48);
    StoreResourceDirectory(tree, 48, language, 72);
    StoreLe32(tree, 72, sectionRva + U32(kResourceTreeSize));
    StoreLe32(tree, 76, U32(block.size()));
    std::copy(block.begin(), block.end(), tree.begin() + kResourceTreeSize);
    return tree;
}

class PeLayoutBuilder {
public:
    explicit PeLayoutBuilder(const PeImageSpec& wanted)
        : wanted_(wanted), plus_(wanted.kind == PeKind::kPe32Plus) {}

    PeImage Build() {
        const std::size_t sectionCount = wanted_.sections.size() + (wanted_.versionBlock ? 1 : 0);
        image_.layout.peSignatureOffset = kPeSignatureOffset;
        image_.layout.optionalHeaderOffset = kPeSignatureOffset + 4 + kCoffHeaderSize;
        image_.layout.sectionTableOffset = image_.layout.optionalHeaderOffset + OptionalSize();
        headersSize_ = AlignUp(image_.layout.sectionTableOffset + kSectionHeaderSize * sectionCount,
                               kPeFileAlignment);
        nextFileOffset_ = headersSize_;
        for (const PeSectionSpec& section : wanted_.sections) {
            PlaceSection(section);
        }
        if (wanted_.versionBlock) {
            // The tree holds the block's RVA, so the section is made once its address is known.
            resourceRva_ = U32(nextRva_);
            PlaceSection(
                {".rsrc",
                 ResourceSection(*wanted_.versionBlock, wanted_.versionLanguage, resourceRva_),
                 kSectionReadOnlyData});
        }
        image_.bytes.assign(nextFileOffset_, 0);
        WriteHeaders();
        WriteSections();
        return std::move(image_);
    }

private:
    [[nodiscard]] std::size_t OptionalSize() const {
        return plus_ ? kPe32PlusOptionalHeaderSize : kPe32OptionalHeaderSize;
    }

    [[nodiscard]] std::size_t ImageSize() const {
        return placed_.empty() ? AlignUp(headersSize_, kPeSectionAlignment) : nextRva_;
    }

    void PlaceSection(const PeSectionSpec& section) {
        PlacedSection placed{section, U32(nextRva_), 0,
                             U32(AlignUp(section.bytes.size(), kPeFileAlignment))};
        // A section with no file data has no file offset either.
        placed.fileOffset = placed.rawSize == 0 ? 0 : U32(nextFileOffset_);
        nextFileOffset_ += placed.rawSize;
        nextRva_ =
            AlignUp(nextRva_ + std::max<std::size_t>(section.bytes.size(), 1), kPeSectionAlignment);
        image_.layout.sectionFileOffsets.push_back(placed.fileOffset);
        placed_.push_back(std::move(placed));
    }

    void WriteHeaders() {
        std::vector<std::uint8_t>& bytes = image_.bytes;
        bytes[0] = 'M';
        bytes[1] = 'Z';
        StoreLe32(bytes, 0x3C, U32(kPeSignatureOffset));
        StoreLe32(bytes, kPeSignatureOffset, 0x00004550); // "PE\0\0"
        const std::size_t coff = kPeSignatureOffset + 4;
        Store16(bytes, coff, plus_ ? 0x8664 : 0x014C);
        Store16(bytes, coff + 2, static_cast<std::uint16_t>(placed_.size()));
        Store16(bytes, coff + 16, static_cast<std::uint16_t>(OptionalSize()));
        // Executable without relocations; 32-bit machine (PE32) or large-address aware (PE32+).
        Store16(bytes, coff + 18, plus_ ? 0x0023 : 0x0103);
        WriteOptionalHeader();
        WriteSectionTable();
    }

    void WriteOptionalHeader() {
        WriteStandardFields();
        WriteWindowsFields();
        WriteDataDirectories();
    }

    [[nodiscard]] static bool IsCode(const PlacedSection& section) {
        return (section.wanted.characteristics & kSectionContainsCode) != 0;
    }

    void WriteStandardFields() {
        std::vector<std::uint8_t>& bytes = image_.bytes;
        const std::size_t optional = image_.layout.optionalHeaderOffset;
        std::uint32_t codeSize = 0;
        std::uint32_t dataSize = 0;
        for (const PlacedSection& section : placed_) {
            (IsCode(section) ? codeSize : dataSize) += section.rawSize;
        }
        const auto firstCode = std::find_if(placed_.begin(), placed_.end(), IsCode);
        const auto firstData = std::find_if_not(placed_.begin(), placed_.end(), IsCode);
        const std::uint32_t entryPoint = firstCode == placed_.end() ? 0 : firstCode->virtualAddress;
        Store16(bytes, optional, plus_ ? 0x20B : 0x10B);
        bytes[optional + 2] = 14; // linker version
        StoreLe32(bytes, optional + 4, codeSize);
        StoreLe32(bytes, optional + 8, dataSize);
        StoreLe32(bytes, optional + 16, entryPoint);
        StoreLe32(bytes, optional + 20, entryPoint); // base of code
        if (!plus_) {
            StoreLe32(bytes, optional + 24,
                      firstData == placed_.end() ? 0 : firstData->virtualAddress);
        }
    }

    void WriteWindowsFields() {
        std::vector<std::uint8_t>& bytes = image_.bytes;
        const std::size_t optional = image_.layout.optionalHeaderOffset;
        if (plus_) {
            Store64(bytes, optional + 24, 0x140000000);
        } else {
            StoreLe32(bytes, optional + 28, 0x00400000);
        }
        StoreLe32(bytes, optional + 32, kPeSectionAlignment);
        StoreLe32(bytes, optional + 36, kPeFileAlignment);
        Store16(bytes, optional + 40, 6); // operating system version 6.0
        Store16(bytes, optional + 48, 6); // subsystem version 6.0
        StoreLe32(bytes, optional + 56, U32(ImageSize()));
        StoreLe32(bytes, optional + 60, U32(headersSize_));
        image_.layout.checkSumOffset = optional + 64;
        Store16(bytes, optional + 68, wanted_.subsystem);
        Store16(bytes, optional + 70, 0x8100); // NX compatible, terminal-server aware
        const std::size_t width = plus_ ? 8 : 4;
        const std::uint32_t stackAndHeap[] = {0x100000, 0x1000, 0x100000, 0x1000};
        for (std::size_t i = 0; i < 4; ++i) {
            StoreLe32(bytes, optional + 72 + i * width, stackAndHeap[i]);
        }
    }

    void WriteDataDirectories() {
        std::vector<std::uint8_t>& bytes = image_.bytes;
        const std::size_t count =
            image_.layout.optionalHeaderOffset + OptionalSize() - 8 * kDataDirectoryCount - 4;
        StoreLe32(bytes, count, U32(kDataDirectoryCount));
        image_.layout.dataDirectoriesOffset = count + 4;
        if (wanted_.versionBlock) {
            const std::size_t entry =
                image_.layout.dataDirectoriesOffset + 8 * kResourceDirectoryIndex;
            StoreLe32(bytes, entry, resourceRva_);
            StoreLe32(bytes, entry + 4, U32(placed_.back().wanted.bytes.size()));
        }
    }

    void WriteSectionTable() {
        for (std::size_t i = 0; i < placed_.size(); ++i) {
            const PlacedSection& section = placed_[i];
            const std::size_t header = image_.layout.sectionTableOffset + i * kSectionHeaderSize;
            assert(section.wanted.name.size() <= 8);
            std::copy(section.wanted.name.begin(), section.wanted.name.end(),
                      image_.bytes.begin() + static_cast<std::ptrdiff_t>(header));
            StoreLe32(image_.bytes, header + 8, U32(section.wanted.bytes.size()));
            StoreLe32(image_.bytes, header + 12, section.virtualAddress);
            StoreLe32(image_.bytes, header + 16, section.rawSize);
            StoreLe32(image_.bytes, header + 20, section.fileOffset);
            StoreLe32(image_.bytes, header + 36, section.wanted.characteristics);
        }
    }

    void WriteSections() {
        for (const PlacedSection& section : placed_) {
            std::copy(section.wanted.bytes.begin(), section.wanted.bytes.end(),
                      image_.bytes.begin() + section.fileOffset);
        }
        if (wanted_.versionBlock) {
            const std::size_t resource = placed_.back().fileOffset;
            image_.layout.resourceDirectoryOffset = resource;
            image_.layout.versionDataEntryOffset = resource + 72;
            image_.layout.versionBlockOffset = resource + kResourceTreeSize;
        }
    }

    const PeImageSpec& wanted_;
    bool plus_;
    PeImage image_;
    std::vector<PlacedSection> placed_;
    std::size_t headersSize_ = 0;
    std::size_t nextFileOffset_ = 0;
    std::size_t nextRva_ = kPeSectionAlignment;
    std::uint32_t resourceRva_ = 0;
};

} // namespace

PeImage BuildPeImage(const PeImageSpec& wanted) {
    return PeLayoutBuilder(wanted).Build();
}

void StoreLe32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

void WriteBinaryFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace vg::test
