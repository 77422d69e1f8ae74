// The registry open requests refused on every platform before the key is looked for.
#include "platform/registry_open_request.h"

#include "platform/error_codes.h"
#include "platform/registry.h"

namespace vg::platform {
namespace {

constexpr std::uint32_t kReadOnlyAccess =
    kKeyRead | kKeyWow64View32 | kKeyWow64View64 | kKeySynchronize | kKeyMaximumAllowed;

bool HasEmptyName(std::u16string_view path) {
    if (!path.empty() && path.back() == u'\\') {
        path.remove_suffix(1);
    }
    return !path.empty() && (path.front() == u'\\' || path.find(u"\\\\") != path.npos);
}

} // namespace

std::uint32_t CheckRegistryOpenRequest(std::u16string_view subKey, std::uint32_t access) {
    if ((access & kKeyWow64View32) != 0 && (access & kKeyWow64View64) != 0) {
        return kErrorInvalidParameter;
    }
    if ((access & ~kReadOnlyAccess) != 0) {
        return kErrorAccessDenied;
    }
    if (HasEmptyName(subKey)) {
        return kErrorFileNotFound;
    }
    return kErrorSuccess;
}

} // namespace vg::platform
