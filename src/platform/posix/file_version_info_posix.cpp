// The version block of a PE image (its version resource) or of an ELF file (its ".vgversion"
// section), read on Linux. POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/file_version_info.h"

#include "platform/posix/elf_image.h"
#include "platform/posix/native_path.h"
#include "platform/posix/pe_image.h"
#include "platform/posix/random_access_file.h"

#include <algorithm>
#include <array>
#include <optional>

namespace vg::platform {
namespace {

constexpr std::uint64_t kMaxBlockSize = 65536;
constexpr char kElfVersionSection[] = ".vgversion";

std::optional<posix::ByteRange> FindVersionBlock(const posix::ByteSource& file) {
    std::array<std::uint8_t, 4> magic{};
    if (!file.ReadAt(0, magic.data(), magic.size())) {
        return std::nullopt;
    }
    if (magic[0] == 'M' && magic[1] == 'Z') {
        const std::optional<posix::PeHeaders> headers = posix::ReadPeHeaders(file);
        return headers ? posix::FindPeVersionResource(file, *headers) : std::nullopt;
    }
    if (magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F') {
        return posix::FindElfSection(file, kElfVersionSection);
    }
    return std::nullopt;
}

} // namespace

std::vector<std::uint8_t> ReadFileVersionInfo(std::u16string_view path) {
    const std::optional<posix::RandomAccessFile> file =
        posix::RandomAccessFile::Open(posix::NativePath(path));
    const std::optional<posix::ByteRange> range = file ? FindVersionBlock(*file) : std::nullopt;
    if (!range) {
        return {};
    }
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(range->size, kMaxBlockSize)));
    if (!file->ReadAt(range->offset, block.data(), block.size())) {
        return {};
    }
    return block;
}

} // namespace vg::platform
