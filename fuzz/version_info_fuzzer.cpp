// libFuzzer target for the readers of version information: the PE headers and resource tree, the
// ELF section table, and the version block parser, all on the same untrusted bytes.
#include "platform/posix/byte_source.h"
#include "platform/posix/elf_image.h"
#include "platform/posix/pe_image.h"
#include "util/file_version_string.h"
#include "util/version_info_block.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>

namespace {

using vg::platform::posix::ByteRange;

void QueryBlock(std::span<const std::uint8_t> block) {
    vg::util::QueryVersionTranslations(block);
    vg::util::QueryVersionValue(block, u"\\");
    vg::util::QueryVersionText(block, u"\\StringFileInfo\\041204b0\\CompanyName");
    vg::util::GetVersionString(block, u"ProductVersion", 0x0412);
    vg::util::GetVersionString(block, u"FileVersion", 0x0409);
}

// A range the readers found must lie within the input; the block in it is parsed like one read
// from a file.
void QueryFoundBlock(std::span<const std::uint8_t> input, const std::optional<ByteRange>& range) {
    if (!range) {
        return;
    }
    if (!vg::platform::posix::RangeFits(range->offset, range->size, input.size())) {
        std::abort();
    }
    const auto offset = static_cast<std::size_t>(range->offset);
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(range->size, 65536));
    QueryBlock(input.subspan(offset, size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const vg::platform::posix::MemoryByteSource source(input);
    if (const auto headers = vg::platform::posix::ReadPeHeaders(source)) {
        QueryFoundBlock(input, vg::platform::posix::FindPeVersionResource(source, *headers));
    }
    QueryFoundBlock(input, vg::platform::posix::FindElfSection(source, ".vgversion"));
    QueryBlock(input);
    return 0;
}
