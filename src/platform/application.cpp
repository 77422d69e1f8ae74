// The application object's registration, for either platform's entry point to find it.

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
