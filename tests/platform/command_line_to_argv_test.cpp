// The Windows rules for splitting a command line into arguments.
#include "platform/posix/command_line_to_argv.h"

#include "util/text_encoding.h"

#include <gtest/gtest.h>

namespace vg::platform::posix {
namespace {

struct SplitCase {
    const char16_t* commandLine;
    std::vector<std::u16string> argv;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << util::ToUtf8(c.commandLine);
}

class CommandLineToArgvTest : public testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineToArgvTest, SplitsAsWindowsDoes) {
    const std::vector<std::u16string> argv = CommandLineToArgv(GetParam().commandLine);
    ASSERT_EQ(argv.size(), GetParam().argv.size()) << util::ToUtf8(GetParam().commandLine);
    for (std::size_t i = 0; i < argv.size(); ++i) {
        EXPECT_EQ(util::ToUtf8(argv[i]), util::ToUtf8(GetParam().argv[i])) << "argument " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommandLineToArgvTest,
    testing::Values(
        // The quoted path with a trailing blank that empty parameters leave.
        SplitCase{u"\"/opt/my games/run\" ", {u"/opt/my games/run"}},
        SplitCase{u"\"C:\\Program Files\\x.exe\" a b", {u"C:\\Program Files\\x.exe", u"a", u"b"}},
        // The program name takes no backslash rules.
        SplitCase{u"C:\\dir\\\"x y", {u"C:\\dir\\\"x", u"y"}},
        SplitCase{u"\"p\"rest more", {u"p", u"rest", u"more"}},
        SplitCase{u"p  a\t\tb ", {u"p", u"a", u"b"}},
        SplitCase{u"p \"a b\" c", {u"p", u"a b", u"c"}},
        SplitCase{u"p a\"b c\"d", {u"p", u"ab cd"}}, SplitCase{u"p \"\"", {u"p", u""}},
        SplitCase{u"p \\\"a\\\"", {u"p", u"\"a\""}},
        SplitCase{u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},
        SplitCase{u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},
        SplitCase{u"p a\\b\\\\c", {u"p", u"a\\b\\\\c"}},
        SplitCase{u"p \"a\\\\\" b", {u"p", u"a\\", u"b"}},
        // Inside quotes, a doubled quote is a literal quote.
        SplitCase{u"p \"a\"\"b\"", {u"p", u"a\"b"}},
        SplitCase{u"p \"\"\"a\"\"\"", {u"p", u"\"a\""}},
        SplitCase{u"p -key={KEY} -mid=\"m 1\"", {u"p", u"-key={KEY}", u"-mid=m 1"}},
        SplitCase{u"", {u""}}, SplitCase{u"\"unterminated path", {u"unterminated path"}}));

} // namespace
} // namespace vg::platform::posix
