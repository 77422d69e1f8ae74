// The work a run hands to the other subsystems, plugged into the application shell.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vg::app {

class CVarnugamesStarterApp;

/// The stages of a run outside the shell itself. The program's composition root fills in the
/// subsystems it links; a stage left empty is passed over, so a run whose mode routine is absent
/// ends at the dispatch.
struct RunStages {
    /// The invisible main dialog, run modally before anything else.
    std::function<void()> mainDialog;
    /// 1 when a newer build was installed and started with the same command line.
    std::function<int(const std::u16string& commandLine)> selfUpdate;
    /// Creates the telemetry client and initialises it with isTest, mode, gameName and mid.
    std::function<void(int isTest, const std::u16string& mode, const std::u16string& gameName,
                       const std::u16string& mid)>
        startTelemetry;
    /// Queues one telemetry event: action code, result, description.
    std::function<void(const std::u16string& actionCode, std::uint32_t result,
                       const std::u16string& description)>
        sendEvent;
    /// Flushes and stops the telemetry worker, after the instance mutex is closed.
    std::function<void()> stopTelemetry;

    /// The mode routines; each returns 1 on success, and the shell ignores the result.
    std::function<int(CVarnugamesStarterApp& app, int registerMode)> registerPc;
    std::function<int(CVarnugamesStarterApp& app, int registerMode)> registerPcV2;
    std::function<int(CVarnugamesStarterApp& app, const std::u16string& encStr)> sendPcSpec;
    std::function<int(CVarnugamesStarterApp& app)> startGame;
};

} // namespace vg::app
