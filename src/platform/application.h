// The application framework: one application object per program, started by the entry point.
#pragma once

namespace vg::platform {

/// The base of the program's application object. Exactly one exists, a global created before
/// start-up; the entry point calls InitInstance once, and the process ends when it returns.
class CWinApp {
public:
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    /// One whole run of the program. False when the run was refused or handed over.
    virtual bool InitInstance() = 0;

    /// The program's application object; null before it is constructed.
    static CWinApp* Instance();
};

} // namespace vg::platform
