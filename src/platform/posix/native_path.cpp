// Windows-form paths resolved through the Wine prefix's dosdevices folder.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/native_path.h"

#include "platform/posix/utf8_codec.h"

#include <algorithm>
#include <cstdlib>

namespace vg::platform::posix {
namespace {

bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

std::string Getenv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

std::string WinePrefix() {
    std::string prefix = Getenv("WINEPREFIX");
    if (prefix.empty()) {
        prefix = Getenv("HOME") + "/.wine";
    }
    while (prefix.size() > 1 && prefix.back() == '/') {
        prefix.pop_back();
    }
    return prefix;
}

bool HasDriveLetter(std::u16string_view path) {
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':';
}

std::string DosDevicePath(char16_t letter) {
    return WinePrefix() + "/dosdevices/" + static_cast<char>(letter | 0x20) + ':';
}

std::string NativePath(std::u16string_view path) {
    std::string native;
    if (HasDriveLetter(path)) {
        native = DosDevicePath(path[0]);
        path.remove_prefix(2);
        if (!path.empty() && path[0] != u'\\' && path[0] != u'/') {
            native += '/';
        }
    }
    std::string rest = Utf16ToUtf8(path);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return native + rest;
}

} // namespace vg::platform::posix
