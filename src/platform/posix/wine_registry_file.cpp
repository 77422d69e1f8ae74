// Parser of Wine's text registry files. Every read is bounds-checked against the line it is on,
// so damaged or hostile text yields missing keys and values. POSIX backend.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/wine_registry_file.h"

#include "platform/posix/utf8_codec.h"

#include <memory>
#include <optional>
#include <utility>

namespace vg::platform::posix {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kRelativeToComment = ";; All keys relative to ";
constexpr std::uint32_t kTypeString = 1;
constexpr std::uint32_t kTypeBinary = 3;
constexpr std::uint32_t kTypeDword = 4;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

int DigitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

/// The physical lines of the text, without their line feed.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    [[nodiscard]] bool AtEnd() const { return pos_ >= text_.size(); }

    std::string_view Next() {
        const std::size_t end = text_.find('\n', pos_);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        const std::string_view line = text_.substr(pos_, stop - pos_);
        pos_ = stop == text_.size() ? stop : stop + 1;
        return line;
    }

    [[nodiscard]] std::string_view Peek() const { return LineReader(*this).Next(); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

/// A read position within one logical line.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    [[nodiscard]] bool AtEnd() const { return pos_ >= text_.size(); }
    [[nodiscard]] char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    char Take() { return AtEnd() ? '\0' : text_[pos_++]; }

    bool Consume(char c) {
        if (AtEnd() || text_[pos_] != c) {
            return false;
        }
        ++pos_;
        return true;
    }

    bool Consume(std::string_view prefix) {
        if (text_.substr(pos_).substr(0, prefix.size()) != prefix) {
            return false;
        }
        pos_ += prefix.size();
        return true;
    }

    void SkipBlanks() {
        while (!AtEnd() && IsBlank(text_[pos_])) {
            ++pos_;
        }
    }

    /// Up to maxDigits digits of the base as a number; nullopt when there is not one digit.
    std::optional<std::uint32_t> ReadNumber(unsigned base, int maxDigits) {
        std::uint32_t value = 0;
        int digits = 0;
        while (digits < maxDigits && !AtEnd()) {
            const int digit = DigitValue(text_[pos_], base);
            if (digit < 0) {
                break;
            }
            value = value * base + static_cast<std::uint32_t>(digit);
            ++pos_;
            ++digits;
        }
        return digits > 0 ? std::optional<std::uint32_t>(value) : std::nullopt;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

/// The character an escape stands for; the cursor is past the backslash. An escape the writer
/// does not use stands for the character after the backslash (so "\\", "\"" and "\]" work).
char16_t ReadEscape(Cursor& in) {
    const char c = in.Peek();
    if (c >= '0' && c <= '7') {
        return static_cast<char16_t>(*in.ReadNumber(8, 3));
    }
    in.Take();
    switch (c) {
    case 'a':
        return u'\a';
    case 'b':
        return u'\b';
    case 'e':
        return u'\x1b';
    case 'f':
        return u'\f';
    case 'n':
        return u'\n';
    case 'r':
        return u'\r';
    case 't':
        return u'\t';
    case 'v':
        return u'\v';
    case 'x':
        return static_cast<char16_t>(in.ReadNumber(16, 4).value_or(u'x'));
    default:
        return static_cast<char16_t>(c);
    }
}

/// Text up to an unescaped terminator (or the end of the line, when endTerminates), decoded
/// from UTF-8 and its escapes; the cursor ends past the terminator. nullopt when the line ends
/// first.
std::optional<std::u16string> ReadEscapedText(Cursor& in, char terminator, bool endTerminates) {
    std::u16string text;
    std::string literal;
    const auto flush = [&] {
        text += Utf8ToUtf16(literal);
        literal.clear();
    };
    while (!in.AtEnd()) {
        const char c = in.Take();
        if (c == terminator) {
            flush();
            return text;
        }
        if (c != '\\') {
            literal += c;
        } else if (in.AtEnd()) {
            return std::nullopt;
        } else if (static_cast<unsigned char>(in.Peek()) >= 0x80) {
            continue; // an escaped UTF-8 sequence is that character
        } else {
            flush();
            text += ReadEscape(in);
        }
    }
    if (!endTerminates) {
        return std::nullopt;
    }
    flush();
    return text;
}

void AppendUtf16Le(std::vector<std::uint8_t>& bytes, char16_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
}

std::vector<std::uint8_t> StringData(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const char16_t unit : text) {
        AppendUtf16Le(bytes, unit);
    }
    AppendUtf16Le(bytes, u'\0');
    return bytes;
}

std::optional<WineRegistryValue> ReadString(Cursor& in, std::uint32_t type) {
    const std::optional<std::u16string> text = ReadEscapedText(in, '"', false);
    if (!text) {
        return std::nullopt;
    }
    return WineRegistryValue{type, StringData(*text)};
}

/// "01,02,ff": bytes of one or two hex digits, separated by commas; the list may be empty.
std::optional<WineRegistryValue> ReadHexBytes(Cursor& in, std::uint32_t type) {
    WineRegistryValue value{type, {}};
    in.SkipBlanks();
    if (in.AtEnd()) {
        return value;
    }
    do {
        in.SkipBlanks();
        const std::optional<std::uint32_t> byte = in.ReadNumber(16, 2);
        if (!byte || value.data.size() >= kMaxRegistryValueBytes) {
            return std::nullopt;
        }
        value.data.push_back(static_cast<std::uint8_t>(*byte));
        in.SkipBlanks();
    } while (in.Consume(','));
    return value;
}

/// The type number of "str(N):" and "hex(N):", in hex, with its closing "):".
std::optional<std::uint32_t> ReadTypeNumber(Cursor& in) {
    const std::optional<std::uint32_t> type = in.ReadNumber(16, 8);
    return type && in.Consume("):") ? type : std::nullopt;
}

std::optional<WineRegistryValue> ReadDword(Cursor& in) {
    const std::optional<std::uint32_t> number = in.ReadNumber(16, 8);
    if (!number) {
        return std::nullopt;
    }
    WineRegistryValue value{kTypeDword, {}};
    for (int shift = 0; shift < 32; shift += 8) {
        value.data.push_back(static_cast<std::uint8_t>((*number >> shift) & 0xFF));
    }
    return value;
}

std::optional<WineRegistryValue> ReadData(Cursor& in) {
    if (in.Consume('"')) {
        return ReadString(in, kTypeString);
    }
    if (in.Consume("dword:")) {
        return ReadDword(in);
    }
    if (in.Consume("hex:")) {
        return ReadHexBytes(in, kTypeBinary);
    }
    const bool isString = in.Consume("str(");
    if (!isString && !in.Consume("hex(")) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> type = ReadTypeNumber(in);
    if (!type) {
        return std::nullopt;
    }
    if (!isString) {
        return ReadHexBytes(in, *type);
    }
    return in.Consume('"') ? ReadString(in, *type) : std::nullopt;
}

struct NamedValue {
    std::u16string name;
    WineRegistryValue value;
};

/// `"Name"=<data>` or `@=<data>`, with nothing but blanks after the data.
std::optional<NamedValue> ParseValueLine(std::string_view line) {
    Cursor in(line);
    std::optional<std::u16string> name;
    if (in.Consume('@')) {
        name.emplace();
    } else if (in.Consume('"')) {
        name = ReadEscapedText(in, '"', false);
    }
    in.SkipBlanks();
    if (!name || !in.Consume('=')) {
        return std::nullopt;
    }
    in.SkipBlanks();
    std::optional<WineRegistryValue> value = ReadData(in);
    in.SkipBlanks();
    if (!value || !in.AtEnd() || value->data.size() > kMaxRegistryValueBytes) {
        return std::nullopt;
    }
    return NamedValue{std::move(*name), std::move(*value)};
}

/// A line that carries on a value line ending in "\": any line but the start of something else.
bool IsContinuation(std::string_view line) {
    return !line.empty() && line.front() != '[' && line.front() != '"' && line.front() != '@' &&
           line.front() != '#' && line.front() != ';';
}

std::string JoinContinuations(std::string_view first, LineReader& lines) {
    std::string joined(TrimRight(first));
    while (!joined.empty() && joined.back() == '\\' && !lines.AtEnd() &&
           IsContinuation(TrimLeft(lines.Peek()))) {
        joined.pop_back();
        joined += TrimRight(TrimLeft(lines.Next()));
    }
    return joined;
}

/// `[Software\\Vendor\\Game] 1700000000`: the key's path; what follows the bracket is its time.
std::optional<std::u16string> ParseKeyLine(std::string_view line) {
    Cursor in(line);
    in.Consume('[');
    return ReadEscapedText(in, ']', false);
}

/// The names of a key path; nullopt when one is empty, too long or holds a zero, or when there
/// are too many of them. The root's path is "" and has no names.
std::optional<std::vector<std::u16string_view>> SplitKeyPath(std::u16string_view path) {
    std::vector<std::u16string_view> names;
    if (path.empty()) {
        return names;
    }
    for (;;) {
        const std::size_t at = path.find(u'\\');
        const std::u16string_view name = path.substr(0, at);
        if (name.empty() || name.size() > kMaxRegistryKeyNameLength ||
            name.find(u'\0') != std::u16string_view::npos || names.size() == kMaxRegistryKeyDepth) {
            return std::nullopt;
        }
        names.push_back(name);
        if (at == std::u16string_view::npos) {
            return names;
        }
        path.remove_prefix(at + 1);
    }
}

char16_t FoldChar(char16_t c) {
    const auto minus = [c](int offset) { return static_cast<char16_t>(c - offset); };
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
        (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F) ||
        (c >= 0xFF41 && c <= 0xFF5A)) {
        return minus(0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c == 0x3C2) {
        return 0x3A3; // final sigma
    }
    if (c >= 0x450 && c <= 0x45F) {
        return minus(0x50);
    }
    const bool evenPairs = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenPairs && (c & 1) == 1) || (oddPairs && (c & 1) == 0)) {
        return minus(1);
    }
    return c;
}

} // namespace

std::u16string FoldRegistryName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded) {
        c = FoldChar(c);
    }
    return folded;
}

WineRegistryFile WineRegistryFile::Parse(std::string_view text) {
    WineRegistryFile file;
    LineReader lines(text);
    if (lines.AtEnd() || TrimRight(lines.Next()) != kHeader) {
        return file;
    }
    file.root_ = std::make_unique<WineRegistryKey>();
    WineRegistryKey* current = nullptr;
    bool inHeader = true;
    while (!lines.AtEnd() && file.entries_ <= kMaxRegistryEntries) {
        const std::string_view line = TrimLeft(lines.Next());
        if (line.empty()) {
            continue;
        }
        switch (line.front()) {
        case ';':
            if (inHeader) {
                file.ReadHeaderComment(TrimRight(line));
            }
            break;
        case '#':
            file.ReadDirective(TrimRight(line), current, inHeader);
            break;
        case '[': {
            inHeader = false;
            const std::optional<std::u16string> path = ParseKeyLine(line);
            current = path ? file.AddKey(*path) : nullptr;
            break;
        }
        case '"':
        case '@': {
            std::optional<NamedValue> value = ParseValueLine(JoinContinuations(line, lines));
            if (current && value) {
                file.AddValue(*current, value->name, std::move(value->value));
            }
            break;
        }
        default:
            break; // not a line of the format; skipped
        }
    }
    if (file.entries_ > kMaxRegistryEntries) {
        return WineRegistryFile();
    }
    return file;
}

WineRegistryKey* WineRegistryFile::AddKey(std::u16string_view path) {
    const std::optional<std::vector<std::u16string_view>> names = SplitKeyPath(path);
    if (!names) {
        return nullptr;
    }
    WineRegistryKey* key = root_.get();
    for (const std::u16string_view name : *names) {
        std::unique_ptr<WineRegistryKey>& subKey = key->subKeys[FoldRegistryName(name)];
        if (!subKey) {
            subKey = std::make_unique<WineRegistryKey>();
            ++entries_;
        }
        key = subKey.get();
    }
    return key;
}

void WineRegistryFile::AddValue(WineRegistryKey& key, std::u16string_view name,
                                WineRegistryValue value) {
    const auto [slot, added] =
        key.values.insert_or_assign(FoldRegistryName(name), std::move(value));
    static_cast<void>(slot);
    entries_ += added ? 1 : 0;
}

void WineRegistryFile::ReadHeaderComment(std::string_view line) {
    if (line.substr(0, kRelativeToComment.size()) != kRelativeToComment) {
        return;
    }
    Cursor in(line.substr(kRelativeToComment.size()));
    relativeTo_ = ReadEscapedText(in, '\0', true).value_or(u"");
}

void WineRegistryFile::ReadDirective(std::string_view line, WineRegistryKey* current,
                                     bool inHeader) {
    if (inHeader && line == "#arch=win64") {
        win64_ = true;
    } else if (current && line == "#link") {
        current->isLink = true;
    }
}

const WineRegistryKey* WineRegistryFile::FindKey(std::u16string_view path) const {
    const std::optional<std::vector<std::u16string_view>> names = SplitKeyPath(path);
    const WineRegistryKey* key = names ? root_.get() : nullptr;
    for (std::size_t i = 0; key && i < names->size(); ++i) {
        key = FindSubKey(*key, (*names)[i]);
    }
    return key;
}

const WineRegistryKey* WineRegistryFile::FindSubKey(const WineRegistryKey& key,
                                                    std::u16string_view name) {
    const auto found = key.subKeys.find(FoldRegistryName(name));
    return found == key.subKeys.end() ? nullptr : found->second.get();
}

const WineRegistryValue* WineRegistryFile::FindValue(const WineRegistryKey& key,
                                                     std::u16string_view name) {
    const auto found = key.values.find(FoldRegistryName(name));
    return found == key.values.end() ? nullptr : &found->second;
}

} // namespace vg::platform::posix
