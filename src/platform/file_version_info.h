// The version-information block of an executable file, as the Windows version API gives it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vg::platform {

/// The file's version-information block (VS_VERSIONINFO) as GetFileVersionInfoW returns it; empty
/// when the file has none or cannot be read. At most 65536 bytes are returned: the block's own
/// 16-bit length bounds it, and whoever parses it checks that length.
/// Linux: the path maps to a native one as Wine maps it; a PE image gives its version resource,
/// and an ELF file the contents of its ".vgversion" section, where the Linux program keeps the
/// block it was built with.
std::vector<std::uint8_t> ReadFileVersionInfo(std::u16string_view path);

} // namespace vg::platform
