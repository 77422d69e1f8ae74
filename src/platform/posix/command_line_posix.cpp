// The command line on Linux: main's arguments, recorded by the entry point.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/command_line.h"

#include "platform/posix/command_line_posix.h"
#include "platform/posix/utf8_codec.h"

#include <string>

namespace vg::platform {
namespace {

int gArgumentCount = 0;
std::string gCommandLineTail;

} // namespace

void posix::RecordCommandLine(int argc, const char* const* argv) {
    gArgumentCount = argc;
    gCommandLineTail.clear();
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            gCommandLineTail += ' ';
        }
        gCommandLineTail += argv[i];
    }
}

int GetArgumentCount() {
    return gArgumentCount;
}

std::u16string GetCommandLineTail() {
    return posix::Utf8ToUtf16(gCommandLineTail);
}

} // namespace vg::platform
