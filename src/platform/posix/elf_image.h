// Finding a section of an ELF file by name, read from untrusted bytes with every offset checked.
#pragma once

#include "platform/posix/byte_source.h"

#include <optional>
#include <string_view>

namespace vg::platform::posix {

/// The file range of the section called `name` in an ELF32 or ELF64 file of either byte order;
/// nothing when the bytes are not ELF, there is no such section, the section occupies no file
/// space (SHT_NOBITS), or a header, the name table or the section lies outside the bytes.
std::optional<ByteRange> FindElfSection(const ByteSource& source, std::string_view name);

} // namespace vg::platform::posix
