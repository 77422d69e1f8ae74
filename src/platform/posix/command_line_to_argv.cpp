// The Windows command-line splitting rules, so a program started on Linux sees the arguments it
// would see on Windows.
#include "platform/posix/command_line_to_argv.h"

namespace vg::platform::posix {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

/// The program name: no backslash processing, and a quoted name ends at the next quote.
std::u16string TakeProgramName(std::u16string_view line, std::size_t& pos) {
    std::u16string name;
    if (pos < line.size() && line[pos] == u'"') {
        ++pos;
        while (pos < line.size() && line[pos] != u'"') {
            name.push_back(line[pos++]);
        }
        if (pos < line.size()) {
            ++pos;
        }
    } else {
        while (pos < line.size() && !IsBlank(line[pos])) {
            name.push_back(line[pos++]);
        }
    }
    return name;
}

/// One argument after the program name; quoteCount follows the quotes seen, where three in a row
/// inside a quoted part stand for one literal quote and the part goes on.
std::u16string TakeArgument(std::u16string_view line, std::size_t& pos) {
    std::u16string arg;
    std::size_t backslashes = 0;
    int quoteCount = 0;
    while (pos < line.size()) {
        const char16_t c = line[pos];
        if (IsBlank(c) && quoteCount == 0) {
            break;
        }
        if (c == u'\\') {
            arg.push_back(c);
            ++backslashes;
            ++pos;
            continue;
        }
        if (c != u'"') {
            arg.push_back(c);
            backslashes = 0;
            ++pos;
            continue;
        }
        arg.resize(arg.size() - backslashes / 2);
        if (backslashes % 2 == 1) {
            arg.back() = u'"';
        } else {
            ++quoteCount;
        }
        ++pos;
        backslashes = 0;
        while (pos < line.size() && line[pos] == u'"') {
            if (++quoteCount == 3) {
                arg.push_back(u'"');
                quoteCount = 0;
            }
            ++pos;
        }
        if (quoteCount == 2) {
            quoteCount = 0;
        }
    }
    return arg;
}

void SkipBlanks(std::u16string_view line, std::size_t& pos) {
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
}

} // namespace

std::vector<std::u16string> CommandLineToArgv(std::u16string_view commandLine) {
    std::vector<std::u16string> args;
    std::size_t pos = 0;
    args.push_back(TakeProgramName(commandLine, pos));
    SkipBlanks(commandLine, pos);
    while (pos < commandLine.size()) {
        args.push_back(TakeArgument(commandLine, pos));
        SkipBlanks(commandLine, pos);
    }
    return args;
}

} // namespace vg::platform::posix
