// vg-shell-probe: the program's real application shell (command line, single instance, launch
// URL, environment, dispatch) with stages that record each call to the file named by
// VG_PROBE_LOG, one line per call, noting whether the instance mutex was held at that moment.
// VG_PROBE_SELF_UPDATE gives the self-update stage's result; VG_PROBE_HOLD names a file that the
// game-start stage waits for, so a test can keep a run busy.
#include "app/run_stages.h"
#include "app/varnugames_starter_app.h"
#include "util/text_encoding.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using vg::app::CVarnugamesStarterApp;
using vg::util::ToUtf8;

bool InstanceMutexHeld() {
    return vg::platform::NamedMutex::Create(vg::app::kInstanceMutexName).AlreadyExisted();
}

void Log(const std::string& line) {
    const char* path = std::getenv("VG_PROBE_LOG");
    if (!path) {
        return;
    }
    // Binary, so that the Windows build writes the same line ends as the Linux one.
    if (FILE* log = std::fopen(path, "ab")) {
        std::fprintf(log, "%s lock=%s\n", line.c_str(), InstanceMutexHeld() ? "held" : "free");
        std::fclose(log);
    }
}

std::string Describe(const CVarnugamesStarterApp& app) {
    return "game=" + ToUtf8(app.gameName) + " mode=" + ToUtf8(app.mode) +
           " isTest=" + std::to_string(app.isTest) + " cdnBase=" + ToUtf8(app.cdnBase);
}

void HoldWhileAsked() {
    const char* hold = std::getenv("VG_PROBE_HOLD");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (hold && !std::filesystem::exists(hold) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

vg::app::RunStages RecordingStages() {
    vg::app::RunStages stages;
    stages.mainDialog = [] { Log("dialog"); };
    stages.selfUpdate = [](const std::u16string& commandLine) {
        Log("selfUpdate commandLine=" + ToUtf8(commandLine));
        const char* result = std::getenv("VG_PROBE_SELF_UPDATE");
        return result ? std::atoi(result) : 0;
    };
    stages.startTelemetry = [](int isTest, const std::u16string& mode,
                               const std::u16string& gameName, const std::u16string& mid) {
        Log("startTelemetry isTest=" + std::to_string(isTest) + " mode=" + ToUtf8(mode) +
            " game=" + ToUtf8(gameName) + " mid=" + ToUtf8(mid));
    };
    stages.sendEvent = [](const std::u16string& code, std::uint32_t result,
                          const std::u16string& description) {
        Log("event " + ToUtf8(code) + " result=" + std::to_string(result) +
            " description=" + ToUtf8(description));
    };
    stages.stopTelemetry = [] { Log("stopTelemetry"); };
    stages.registerPc = [](CVarnugamesStarterApp& app, int registerMode) {
        Log("registerPc registerMode=" + std::to_string(registerMode) + " " + Describe(app));
        return 1;
    };
    stages.registerPcV2 = [](CVarnugamesStarterApp& app, int registerMode) {
        Log("registerPcV2 registerMode=" + std::to_string(registerMode) + " " + Describe(app));
        return 1;
    };
    stages.sendPcSpec = [](CVarnugamesStarterApp& app, const std::u16string& encStr) {
        Log("sendPcSpec encStr=" + ToUtf8(encStr) + " " + Describe(app));
        return 1;
    };
    stages.startGame = [](CVarnugamesStarterApp& app) {
        Log("startGame " + Describe(app));
        HoldWhileAsked();
        return 1;
    };
    return stages;
}

CVarnugamesStarterApp theApp(RecordingStages());

} // namespace
