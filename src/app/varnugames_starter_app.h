// The application object: one whole run of the program, from the command line to the mode.
#pragma once

#include "app/launch_url.h"
#include "app/run_stages.h"
#include "platform/application.h"
#include "platform/named_mutex.h"

#include <string>
#include <string_view>

namespace vg::app {

/// The single-instance mutex's name.
inline constexpr std::u16string_view kInstanceMutexName = u"__VG_STARTER__";

/// The CDN base of a run: the CDN host followed by "/live/" or "/test/"; no scheme.
std::u16string CdnBase(bool isTest);

/// A mode word selects the live environment when it contains "real" or "live" in any letter
/// case; every other word selects the test environment.
bool IsLiveMode(std::u16string_view mode);

/// The application object; it owns the launch fields, the environment choice and the instance
/// mutex for the whole run.
class CVarnugamesStarterApp : public platform::CWinApp, public LaunchFields {
public:
    explicit CVarnugamesStarterApp(RunStages stages);

    /// One run: no argument ends at once; then the dialog, the single-instance check, the launch
    /// URL, the environment, the self-update, telemetry, one mode routine, and the telemetry
    /// stop. False when the run was refused or handed over to a newer build.
    bool InitInstance() override;

    /// Fills the launch fields from the command line; 1 when the URL is accepted.
    int ParseLaunchUrl(std::u16string_view commandLine);

    /// Closes the instance mutex, then flushes and stops the telemetry worker.
    void StopTelemetry();

    int isTest = 0;
    platform::NamedMutex instanceMutex;
    std::u16string cdnBase;

private:
    void ChooseEnvironment();
    void RunModeRoutine();

    RunStages stages_;
};

} // namespace vg::app
