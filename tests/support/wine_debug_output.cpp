// Wine's escaped debug strings back into the program's text.
#include "support/wine_debug_output.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <regex>
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

    // Bytes that do not convert are kept as they are, so a failure still shows what came; a
    // character whose bytes Wine cut in two is left out.
    std::string ToUtf8(const std::string& bytes) const {
        std::string out(bytes.size() * 4 + 4, '\0');
        std::string in = bytes;
        char* inPointer = in.data();
        std::size_t inLeft = in.size();
        char* outPointer = out.data();
        std::size_t outLeft = out.size();
        if (::iconv(handle_, &inPointer, &inLeft, &outPointer, &outLeft) ==
                static_cast<std::size_t>(-1) &&
            errno != EINVAL) {
            return bytes;
        }
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t handle_;
};

// The lines of a text, without their line feeds.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The text that Wine cut short, as the program's standard error goes on with it up to the end
// of that notice; the search goes on from `cursor`.
std::optional<std::string> Completed(const std::string& cut, std::string_view copy,
                                     std::size_t& cursor) {
    const std::size_t at = copy.find(cut, cursor);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t end = copy.find(std::string("\n") + std::string(kNoticePrefix), at + cut.size());
    if (end == std::string_view::npos) {
        end = copy.ends_with('\n') ? copy.size() - 1 : copy.size();
    }
    cursor = end;
    return std::string(copy.substr(at, end - at));
}

} // namespace

std::vector<std::string> DebugStrings(std::string_view wineStandardError, const char* codePage) {
    const Converter converter(codePage);
    std::vector<std::string> strings;
    for (const std::string_view line : Lines(wineStandardError)) {
        const std::size_t at = line.find(kMarker);
        if (at == std::string_view::npos) {
            continue;
        }
        const Unescaped text = Unescape(line.substr(at + kMarker.size()));
        strings.push_back(converter.ToUtf8(text.bytes) + (text.cut ? kCutByWine : ""));
    }
    return strings;
}

std::string ProgramStandardError(std::string_view wineStandardError) {
    static const std::regex kWineLine("([0-9a-f]{4}:[a-z]+:.*|wine: .*)\r?");
    std::string program;
    for (const std::string_view line : Lines(wineStandardError)) {
        if (!std::regex_match(line.begin(), line.end(), kWineLine)) {
            program += line;
            program += '\n';
        }
    }
    return program;
}

std::string NoticesFromDebugStrings(const std::vector<std::string>& strings,
                                    std::string_view programStandardError) {
    std::string notices;
    std::size_t copyCursor = 0;
    for (std::string text : strings) {
        if (text.ends_with(kCutByWine)) {
            text = Completed(text.substr(0, text.size() - std::strlen(kCutByWine)),
                             programStandardError, copyCursor)
                       .value_or(text);
        }
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
