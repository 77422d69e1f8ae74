// The run's order of steps, from start-up to the end of the process.
#include "app/varnugames_starter_app.h"

#include "app/mode_dispatch.h"
#include "platform/command_line.h"
#include "util/wide_text.h"
#include "vg/deployment_settings.h"

#include <utility>

namespace vg::app {

std::u16string CdnBase(bool isTest) {
    return std::u16string(deployment::kCdnHost) + (isTest ? u"/test/" : u"/live/");
}

bool IsLiveMode(std::u16string_view mode) {
    const std::u16string lower = util::ToLowerAscii(mode);
    return lower.find(u"real") != std::u16string::npos ||
           lower.find(u"live") != std::u16string::npos;
}

CVarnugamesStarterApp::CVarnugamesStarterApp(RunStages stages) : stages_(std::move(stages)) {}

int CVarnugamesStarterApp::ParseLaunchUrl(std::u16string_view commandLine) {
    return app::ParseLaunchUrl(commandLine, *this);
}

bool CVarnugamesStarterApp::InitInstance() {
    if (platform::GetArgumentCount() < 2) {
        return false;
    }
    if (stages_.mainDialog) {
        stages_.mainDialog();
    }
    const std::u16string commandLine = platform::GetCommandLineTail();
    if (commandLine.empty()) {
        return false;
    }
    instanceMutex = platform::NamedMutex::Create(kInstanceMutexName);
    if (instanceMutex.AlreadyExisted()) {
        return false;
    }
    if (ParseLaunchUrl(commandLine) != 1) {
        StopTelemetry();
        return false;
    }
    ChooseEnvironment();
    if (stages_.selfUpdate && stages_.selfUpdate(commandLine) == 1) {
        StopTelemetry();
        return false;
    }
    if (stages_.startTelemetry) {
        stages_.startTelemetry(isTest, mode, gameName, mid);
    }
    if (isGameStart == 1 && stages_.sendEvent) {
        stages_.sendEvent(u"START", 0, u"");
        stages_.sendEvent(u"SELFUPDATE", 0, u"");
    }
    RunModeRoutine();
    StopTelemetry();
    return true;
}

void CVarnugamesStarterApp::ChooseEnvironment() {
    if (!IsLiveMode(mode)) {
        isTest = 1;
    }
    cdnBase = CdnBase(isTest == 1);
}

void CVarnugamesStarterApp::RunModeRoutine() {
    switch (ChooseModeRoutine(gameName)) {
    case ModeRoutine::RegisterPc:
        if (stages_.registerPc) {
            stages_.registerPc(*this, 1);
        }
        break;
    case ModeRoutine::VerifyPc:
        if (stages_.registerPc) {
            stages_.registerPc(*this, 0);
        }
        break;
    case ModeRoutine::RegisterPcV2:
        if (stages_.registerPcV2) {
            stages_.registerPcV2(*this, 1);
        }
        break;
    case ModeRoutine::VerifyPcV2:
        if (stages_.registerPcV2) {
            stages_.registerPcV2(*this, 0);
        }
        break;
    case ModeRoutine::SendPcSpec:
        if (stages_.sendPcSpec) {
            stages_.sendPcSpec(*this, encStr);
        }
        break;
    case ModeRoutine::StartGame:
        if (stages_.startGame) {
            stages_.startGame(*this);
        }
        break;
    }
}

void CVarnugamesStarterApp::StopTelemetry() {
    instanceMutex.Close();
    if (stages_.stopTelemetry) {
        stages_.stopTelemetry();
    }
}

} // namespace vg::app
