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

constexpr std::size_t kMaxBlockSize = 65536;

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
    // The size asked for leaves room after the block for the API's own use; the block itself
    // never exceeds its 16-bit length.
    if (block.size() > kMaxBlockSize) {
        block.resize(kMaxBlockSize);
    }
    return block;
}

} // namespace vg::platform
