// Wine's escaped debug strings back into the program's text.
#include "support/wine_debug_output.h"

#include <iconv.h>

#include <stdexcept>

namespace vg::test {
namespace {

constexpr std::string_view kMarker = "OutputDebugStringA \"";
constexpr std::string_view kNoticePrefix = "Varnugames Starter: ";

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

struct Unescaped {
    std::string bytes;
    bool cut = false;
};

// Undoes \n \r \t \" \\ and \xNN up to the closing quote; Wine puts "..." after that quote when
// it stopped early.
Unescaped Unescape(std::string_view quoted) {
    Unescaped result;
    std::size_t i = 0;
    for (; i < quoted.size() && quoted[i] != '"'; ++i) {
        if (quoted[i] != '\\' || i + 1 >= quoted.size()) {
            result.bytes += quoted[i];
            continue;
        }
        const char kind = quoted[++i];
        if (kind == 'n') {
            result.bytes += '\n';
        } else if (kind == 'r') {
            result.bytes += '\r';
        } else if (kind == 't') {
            result.bytes += '\t';
        } else if (kind == 'x' && i + 2 < quoted.size() && HexValue(quoted[i + 1]) >= 0 &&
                   HexValue(quoted[i + 2]) >= 0) {
            result.bytes +=
                static_cast<char>(HexValue(quoted[i + 1]) * 16 + HexValue(quoted[i + 2]));
            i += 2;
        } else {
            result.bytes += kind;
        }
    }
    result.cut = quoted.substr(std::min(i + 1, quoted.size())).starts_with("...");
    return result;
}

class Converter {
public:
    explicit Converter(const char* codePage) : handle_(::iconv_open("UTF-8", codePage)) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + codePage);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { ::iconv_close(handle_); }

    // Bytes that do not convert are kept as they are, so a failure still shows what came.
    std::string ToUtf8(const std::string& bytes) const {
        std::string out(bytes.size() * 4 + 4, '\0');
        std::string in = bytes;
        char* inPointer = in.data();
        std::size_t inLeft = in.size();
        char* outPointer = out.data();
        std::size_t outLeft = out.size();
        if (::iconv(handle_, &inPointer, &inLeft, &outPointer, &outLeft) ==
            static_cast<std::size_t>(-1)) {
            return bytes;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t handle_;
};

} // namespace

std::vector<std::string> DebugStrings(std::string_view wineStandardError, const char* codePage) {
    const Converter converter(codePage);
    std::vector<std::string> strings;
    std::size_t start = 0;
    while (start < wineStandardError.size()) {
        const std::size_t end =
            std::min(wineStandardError.find('\n', start), wineStandardError.size());
        const std::string_view line = wineStandardError.substr(start, end - start);
        start = end + 1;
        const std::size_t at = line.find(kMarker);
        if (at == std::string_view::npos) {
            continue;
        }
        const Unescaped text = Unescape(line.substr(at + kMarker.size()));
        strings.push_back(converter.ToUtf8(text.bytes) + (text.cut ? kCutByWine : ""));
    }
    return strings;
}

std::string NoticesFromDebugStrings(const std::vector<std::string>& strings) {
    std::string notices;
    for (const std::string& text : strings) {
        if (text.starts_with(kNoticePrefix) && !notices.empty() && notices.back() != '\n') {
            notices += '\n';
        }
        notices += text;
    }
    if (!notices.empty() && notices.back() != '\n') {
        notices += '\n';
    }
    return notices;
}

} // namespace vg::test
