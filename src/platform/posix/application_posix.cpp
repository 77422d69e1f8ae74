// The application object's registration, for the Linux entry point to find it.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/application.h"

#include <cassert>

namespace vg::platform {
namespace {
CWinApp* gApplication = nullptr;
} // namespace

CWinApp::CWinApp() {
    assert(gApplication == nullptr && "a program has exactly one application object");
    gApplication = this;
}

CWinApp::~CWinApp() {
    if (gApplication == this) {
        gApplication = nullptr;
    }
}

CWinApp* CWinApp::Instance() {
    return gApplication;
}

} // namespace vg::platform
