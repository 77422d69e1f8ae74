// A small writer of PE32 and PE32+ images with standard headers, for tests that need real
// Windows executables: version resources, code signatures, files to start through Wine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vg::test {

inline constexpr std::uint32_t kPeFileAlignment = 0x200;
inline constexpr std::uint32_t kPeSectionAlignment = 0x1000;

/// Section characteristics.
inline constexpr std::uint32_t kSectionCode = 0x60000020;            // code, execute, read
inline constexpr std::uint32_t kSectionInitializedData = 0xC0000040; // data, read, write
inline constexpr std::uint32_t kSectionReadOnlyData = 0x40000040;    // data, read

enum class PeKind { kPe32, kPe32Plus };

struct PeSectionSpec {
    /// At most 8 characters.
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t characteristics = kSectionInitializedData;
};

struct PeImageSpec {
    PeKind kind = PeKind::kPe32;
    /// 2: Windows GUI, 3: Windows console.
    std::uint16_t subsystem = 2;
    /// Written in this order, before the ".rsrc" section.
    std::vector<PeSectionSpec> sections;
    /// A version-information block, put in a ".rsrc" section under type 16, name 1.
    std::optional<std::vector<std::uint8_t>> versionBlock;
    std::uint16_t versionLanguage = 0x0409;
};

/// File offsets inside a written image, so that tests can damage it on purpose.
struct PeImageLayout {
    std::size_t peSignatureOffset = 0;
    std::size_t optionalHeaderOffset = 0;
    std::size_t checkSumOffset = 0;
    std::size_t dataDirectoriesOffset = 0;
    std::size_t sectionTableOffset = 0;
    /// One per section, ".rsrc" last when there is a version block.
    std::vector<std::size_t> sectionFileOffsets;
    /// The root directory of the resource tree, its data entry for the version block, and the
    /// block itself; all 0 without a version block.
    std::size_t resourceDirectoryOffset = 0;
    std::size_t versionDataEntryOffset = 0;
    std::size_t versionBlockOffset = 0;
};

struct PeImage {
    std::vector<std::uint8_t> bytes;
    PeImageLayout layout;
};

/// An image with a DOS header, "PE\0\0", a COFF header for i386 (PE32) or x86-64 (PE32+), an
/// optional header with 16 data directories (the certificate table empty, CheckSum 0), file
/// alignment 0x200 and section alignment 0x1000. The entry point is the first code section.
PeImage BuildPeImage(const PeImageSpec& wanted);

/// Stores a little-endian 32-bit value at `offset`, for tests that damage images.
void StoreLe32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

/// Writes bytes to a file, replacing it; throws std::runtime_error when that fails.
void WriteBinaryFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace vg::test
