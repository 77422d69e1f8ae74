// The headers of a PE image (a Windows executable) and the lookup of its version resource, read
// from untrusted bytes: every offset and size is checked before it is used.
#pragma once

#include "platform/posix/byte_source.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vg::platform::posix {

inline constexpr std::uint16_t kPe32Magic = 0x10B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x20B;

/// Indexes into the data directories.
inline constexpr std::size_t kPeDirectoryResource = 2;
/// Its address is a file offset, not an RVA: the certificates are not mapped into memory.
inline constexpr std::size_t kPeDirectoryCertificateTable = 4;
inline constexpr std::size_t kPeMaxDataDirectories = 16;

/// One data directory entry as stored.
struct PeDataDirectory {
    std::uint32_t virtualAddress = 0;
    std::uint32_t size = 0;
};

/// One entry of the section table.
struct PeSection {
    /// The eight name bytes as stored (NUL-padded, not necessarily NUL-terminated).
    std::array<char, 8> name{};
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
};

/// The parsed headers, with the file offsets that code-signing work patches or hashes around.
struct PeHeaders {
    /// e_lfanew: where "PE\0\0" is.
    std::uint32_t peSignatureOffset = 0;
    std::uint16_t machine = 0;
    std::uint16_t fileCharacteristics = 0;
    /// kPe32Magic or kPe32PlusMagic.
    std::uint16_t magic = 0;
    std::uint64_t optionalHeaderOffset = 0;
    /// SizeOfOptionalHeader as stored; the section table follows after this many bytes.
    std::uint16_t optionalHeaderSize = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfImage = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t checkSum = 0;
    /// The file offset of the 32-bit CheckSum field.
    std::uint64_t checkSumOffset = 0;
    std::uint16_t subsystem = 0;
    /// NumberOfRvaAndSizes as stored.
    std::uint32_t numberOfRvaAndSizes = 0;
    /// The file offset of the first data directory entry (8 bytes each).
    std::uint64_t dataDirectoriesOffset = 0;
    /// The entries that exist: min(NumberOfRvaAndSizes, 16) of them.
    std::vector<PeDataDirectory> dataDirectories;
    std::uint64_t sectionTableOffset = 0;
    std::vector<PeSection> sections;

    [[nodiscard]] bool IsPe32Plus() const { return magic == kPe32PlusMagic; }

    /// The entry at `index`, or an empty one when the image has fewer entries.
    [[nodiscard]] PeDataDirectory DataDirectory(std::size_t index) const {
        return index < dataDirectories.size() ? dataDirectories[index] : PeDataDirectory{};
    }

    /// The file offset of the data directory entry at `index`, or nothing when the image has
    /// fewer entries.
    [[nodiscard]] std::optional<std::uint64_t> DataDirectoryEntryOffset(std::size_t index) const {
        if (index >= dataDirectories.size()) {
            return std::nullopt;
        }
        return dataDirectoriesOffset + 8 * index;
    }
};

/// The headers and section table of a PE image; nothing when the bytes are not a PE image or a
/// header lies outside them.
std::optional<PeHeaders> ReadPeHeaders(const ByteSource& source);

/// True for a file whose DOS and PE headers read soundly: a program that Wine runs.
bool IsPeImageFile(const std::string& nativePath);

/// The file range of `length` bytes at `rva`, when they lie wholly within the file data of one
/// section and within the source.
std::optional<ByteRange> PeRvaToFileRange(const PeHeaders& headers, std::uint32_t rva,
                                          std::uint32_t length, std::uint64_t sourceSize);

/// The version resource (type RT_VERSION, name 1, its first language) as a range of the source;
/// nothing when there is none or the resource tree points outside the file.
std::optional<ByteRange> FindPeVersionResource(const ByteSource& source, const PeHeaders& headers);

} // namespace vg::platform::posix
