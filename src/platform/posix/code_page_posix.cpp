// Code-page conversion on Linux: UTF-8 by our own codec, every other code page through iconv.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/code_page.h"

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "platform/posix/utf8_codec.h"

#include <bit>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>

namespace vg::platform {
namespace {

constexpr const char* kUtf8Name = "UTF-8";
constexpr const char* kNativeUtf16 =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

thread_local std::string tlsThreadCodeSet; // empty: the process locale's code set

class IconvHandle {
public:
    IconvHandle(const std::string& to, const std::string& from)
        : handle_(iconv_open(to.c_str(), from.c_str())) {}
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    ~IconvHandle() {
        if (IsValid()) {
            iconv_close(handle_);
        }
    }
    [[nodiscard]] bool IsValid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    [[nodiscard]] iconv_t Get() const { return handle_; }

private:
    iconv_t handle_;
};

bool IsUtf8Name(const std::string& name) {
    return name == kUtf8Name || name == "utf8";
}

std::string LocaleCodeSet() {
    const std::string codeSet = nl_langinfo(CODESET);
    // The C and POSIX locales report ASCII; the program treats them as UTF-8.
    if (codeSet.empty() || codeSet == "ANSI_X3.4-1968" || codeSet == "ASCII") {
        return kUtf8Name;
    }
    return codeSet;
}

std::string CodeSetName(unsigned codePage) {
    switch (codePage) {
    case kCodePageSystemAnsi:
        return LocaleCodeSet();
    case kCodePageThreadAnsi:
        return tlsThreadCodeSet.empty() ? LocaleCodeSet() : tlsThreadCodeSet;
    case kCodePageUtf8:
        return kUtf8Name;
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    default:
        return "CP" + std::to_string(codePage);
    }
}

bool CanConvert(const std::string& codeSet) {
    return IsUtf8Name(codeSet) || IconvHandle(codeSet, kNativeUtf16).IsValid();
}

/// Length in code units of the character at the start of the text: a surrogate pair is one
/// character that iconv rejects or accepts whole.
std::size_t CharacterLength(std::u16string_view text) {
    const bool pair = text.size() >= 2 && text[0] >= 0xD800 && text[0] <= 0xDBFF &&
                      text[1] >= 0xDC00 && text[1] <= 0xDFFF;
    return pair ? 2 : 1;
}

std::optional<std::string> ConvertFromUtf16(const std::string& codeSet, std::u16string_view text) {
    const IconvHandle converter(codeSet, kNativeUtf16);
    if (!converter.IsValid()) {
        SetLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    std::string out;
    char buffer[1024];
    while (!text.empty()) {
        auto* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
        std::size_t inLeft = text.size() * sizeof(char16_t);
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        text.remove_prefix(text.size() - inLeft / sizeof(char16_t));
        if (rc != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        // A character the code page cannot hold (or an unpaired surrogate) becomes "?".
        out.push_back('?');
        text.remove_prefix(CharacterLength(text));
    }
    return out;
}

std::optional<std::u16string> ConvertToUtf16(const std::string& codeSet, std::string_view bytes) {
    const IconvHandle converter(kNativeUtf16, codeSet);
    if (!converter.IsValid()) {
        SetLastError(kErrorInvalidParameter);
        return std::nullopt;
    }
    std::u16string out;
    char16_t buffer[512];
    while (!bytes.empty()) {
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        auto* outPtr = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(converter.Get(), &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<std::size_t>(reinterpret_cast<char16_t*>(outPtr) - buffer));
        bytes.remove_prefix(bytes.size() - inLeft);
        if (rc != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        out.push_back(u'\uFFFD');
        // An invalid byte is skipped alone; a sequence cut short by the end is dropped whole.
        bytes.remove_prefix(error == EINVAL ? bytes.size() : 1);
    }
    return out;
}

} // namespace

std::optional<std::string> WideToMultiByte(unsigned codePage, std::u16string_view text) {
    const std::string codeSet = CodeSetName(codePage);
    if (IsUtf8Name(codeSet)) {
        return posix::Utf16ToUtf8(text);
    }
    return ConvertFromUtf16(codeSet, text);
}

std::optional<std::u16string> MultiByteToWide(unsigned codePage, std::string_view bytes) {
    const std::string codeSet = CodeSetName(codePage);
    if (IsUtf8Name(codeSet)) {
        return posix::Utf8ToUtf16(bytes);
    }
    return ConvertToUtf16(codeSet, bytes);
}

bool SetThreadAnsiCodePage(unsigned codePage) {
    if (codePage == 0) {
        tlsThreadCodeSet.clear();
        return true;
    }
    if (codePage == kCodePageThreadAnsi) {
        return false;
    }
    const std::string codeSet = CodeSetName(codePage);
    if (!CanConvert(codeSet)) {
        return false;
    }
    tlsThreadCodeSet = codeSet;
    return true;
}

} // namespace vg::platform
