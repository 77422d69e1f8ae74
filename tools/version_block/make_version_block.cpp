// vg-make-version-block: writes a C++ source that carries the program's version-information
// block in the ELF section ".vgversion", where the Linux program reads its own version from.
#include "version_block/version_block_writer.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

struct Arguments {
    std::string outPath;
    std::array<std::uint16_t, 4> version{};
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    std::vector<std::pair<std::u16string, std::u16string>> strings;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::optional<std::uint16_t> ParseUint16(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || next != end || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::array<std::uint16_t, 4> ParseVersion(std::string_view text) {
    std::array<std::uint16_t, 4> version{};
    for (std::size_t i = 0; i < version.size(); ++i) {
        const bool last = i + 1 == version.size();
        const std::size_t dot = last ? text.size() : text.find('.');
        const std::string_view part = text.substr(0, dot);
        const std::optional<std::uint16_t> number =
            part.find_first_not_of("0123456789") == std::string_view::npos ? ParseUint16(part)
                                                                           : std::nullopt;
        if (dot == std::string_view::npos || !number) {
            throw UsageError("--version needs four dot-separated decimal numbers up to 65535");
        }
        version[i] = *number;
        text.remove_prefix(last ? dot : dot + 1);
    }
    return version;
}

// Strict: the values come from the build configuration, and a typo there should stop the build.
std::u16string Utf16FromUtf8(std::string_view bytes) {
    std::u16string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || i + length > bytes.size()) {
            throw UsageError("a string value is not valid UTF-8");
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                throw UsageError("a string value is not valid UTF-8");
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            throw UsageError("a string value is not valid UTF-8");
        }
        if (code >= 0x10000) {
            text.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return text;
}

std::pair<std::u16string, std::u16string> ParseString(std::string_view argument) {
    const std::size_t equals = argument.find('=');
    if (equals == 0 || equals == std::string_view::npos) {
        throw UsageError("expected KEY=VALUE, got \"" + std::string(argument) + "\"");
    }
    return {Utf16FromUtf8(argument.substr(0, equals)), Utf16FromUtf8(argument.substr(equals + 1))};
}

std::uint16_t ParseNumberOption(std::string_view option, std::string_view value) {
    const std::optional<std::uint16_t> number = ParseUint16(value);
    if (!number) {
        throw UsageError(std::string(option) + " needs a number up to 0xFFFF");
    }
    return *number;
}

Arguments ParseArguments(int argc, char** argv) {
    Arguments arguments;
    bool haveVersion = false;
    bool haveLanguage = false;
    bool haveCodePage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!argument.starts_with("--")) {
            arguments.strings.push_back(ParseString(argument));
            continue;
        }
        if (i + 1 >= argc) {
            throw UsageError(std::string(argument) + " needs a value");
        }
        const std::string_view value = argv[++i];
        if (argument == "--out") {
            arguments.outPath = value;
        } else if (argument == "--version") {
            arguments.version = ParseVersion(value);
            haveVersion = true;
        } else if (argument == "--language") {
            arguments.language = ParseNumberOption(argument, value);
            haveLanguage = true;
        } else if (argument == "--code-page") {
            arguments.codePage = ParseNumberOption(argument, value);
            haveCodePage = true;
        } else {
            throw UsageError("unknown option " + std::string(argument));
        }
    }
    if (arguments.outPath.empty() || !haveVersion || !haveLanguage || !haveCodePage) {
        throw UsageError("--out, --version, --language and --code-page are all required");
    }
    return arguments;
}

std::string GeneratedSource(const std::vector<std::uint8_t>& block) {
    std::ostringstream source;
    source << "// The program's version-information block, generated by vg-make-version-block;\n"
              "// the program reads its own version from the ELF section \".vgversion\".\n"
              "#include <cstdint>\n\n"
              "namespace vg::generated {\n\n"
              "[[gnu::used, gnu::section(\".vgversion\")]] alignas(4) const std::uint8_t "
              "kVersionInfoBlock["
           << block.size() << "] = {";
    constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < block.size(); ++i) {
        source << (i % 12 == 0 ? "\n   " : "") << " 0x" << kDigits[block[i] >> 4]
               << kDigits[block[i] & 0xF] << ",";
    }
    source << "\n};\n\n} // namespace vg::generated\n";
    return source.str();
}

bool WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Arguments arguments = ParseArguments(argc, argv);
        vg::tools::VersionBlockSpec wanted;
        wanted.fileVersion = arguments.version;
        wanted.productVersion = arguments.version;
        wanted.stringTables.push_back({arguments.language, arguments.codePage, arguments.strings});
        wanted.translations = {{arguments.language, arguments.codePage}};
        if (!WriteFile(arguments.outPath, GeneratedSource(vg::tools::BuildVersionBlock(wanted)))) {
            std::fprintf(stderr, "vg-make-version-block: cannot write %s\n",
                         arguments.outPath.c_str());
            return kExitFailure;
        }
        return 0;
    } catch (const UsageError& error) {
        std::fprintf(stderr,
                     "vg-make-version-block: %s\n"
                     "usage: vg-make-version-block --out FILE --version A.B.C.D --language N "
                     "--code-page N [KEY=VALUE]...\n",
                     error.what());
        return kExitUsage;
    } catch (const std::length_error& error) {
        std::fprintf(stderr, "vg-make-version-block: %s\n", error.what());
        return kExitFailure;
    }
}
