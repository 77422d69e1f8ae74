// Keeps the transport's diagnostic lines off the report: while the tree is checked, what is
// written to standard output goes to standard error, so that `--json` stays one JSON document.
#pragma once

#include <cstdio>
#include <unistd.h>

namespace vg::config_check {

/// Points descriptor 1 at descriptor 2 for its lifetime, and back again when it ends.
class DiagnosticsToStderr {
public:
    DiagnosticsToStderr() : savedStdout_(::dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        if (savedStdout_ >= 0) {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
        }
    }
    ~DiagnosticsToStderr() {
        std::fflush(stdout);
        if (savedStdout_ >= 0) {
            ::dup2(savedStdout_, STDOUT_FILENO);
            ::close(savedStdout_);
        }
    }
    DiagnosticsToStderr(const DiagnosticsToStderr&) = delete;
    DiagnosticsToStderr& operator=(const DiagnosticsToStderr&) = delete;

private:
    int savedStdout_;
};

} // namespace vg::config_check
