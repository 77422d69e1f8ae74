// The Linux program's entry point: the locale, the arguments, then one run of the application.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/application.h"
#include "platform/posix/command_line_posix.h"

#include <clocale>

int main(int argc, char** argv) {
    // The character set of the user's locale is the program's ANSI code page.
    std::setlocale(LC_CTYPE, "");
    vg::platform::posix::RecordCommandLine(argc, argv);
    if (vg::platform::CWinApp* app = vg::platform::CWinApp::Instance()) {
        app->InitInstance();
    }
    return 0;
}
