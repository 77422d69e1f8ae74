// The version-information block of a file through the Windows version API. Win32 only.
#ifndef _WIN32
#error "Win32 backend only"
#endif

#include "platform/file_version_info.h"

#include "platform/win32/wide_string.h"

#include <windows.h>

#include <winver.h>

#include <cstddef>
#include <string>

namespace vg::platform {
namespace {

// The block's own length, its first 16-bit field. GetFileVersionInfoSizeW asks for room after
// the block for the API's own use, which is no part of it. A length the buffer cannot hold is
// no block: a resource of no bytes leaves only what the API writes after it.
std::size_t BlockLength(const std::vector<std::uint8_t>& buffer) {
    if (buffer.size() < 2) {
        return 0;
    }
    const std::size_t length = buffer[0] | static_cast<std::size_t>(buffer[1]) << 8;
    return length <= buffer.size() ? length : 0;
}

} // namespace

std::vector<std::uint8_t> ReadFileVersionInfo(std::u16string_view path) {
    const std::wstring widePath = win32::ToWide(path);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(widePath.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<std::uint8_t> block(size);
    if (!::GetFileVersionInfoW(widePath.c_str(), 0, size, block.data())) {
        return {};
    }
    // The 16-bit length keeps the block within the 65536 bytes the contract allows.
    block.resize(BlockLength(block));
    return block;
}

} // namespace vg::platform
