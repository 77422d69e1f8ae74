// The program's application object and the composition root: the subsystems each run uses.
#include "app/run_stages.h"
#include "app/varnugames_starter_app.h"
#include "pcreg/register_pc.h"
#include "pcspec/pc_report_upload.h"
#include "platform/ui.h"
#include "selfupdate/self_update.h"
#include "startflow/game_starter.h"
#include "telemetry/trel_client.h"
#include "vg/deployment_settings.h"

namespace {

// Only the test copies of the program are built with VG_TEST_UPDATE_SIGNER, to accept the test
// publisher's packages; the shipped program takes the deployment setting.
#ifdef VG_TEST_UPDATE_SIGNER
constexpr std::u16string_view kUpdateSigner = VG_TEST_UPDATE_SIGNER;
#else
constexpr std::u16string_view kUpdateSigner = vg::deployment::kUpdateSigner;
#endif

vg::app::CVarnugamesStarterApp& App();

vg::app::RunStages ProgramStages() {
    vg::app::RunStages stages;
    stages.mainDialog = vg::platform::RunMainDialog;
    stages.selfUpdate = [](const std::u16string& commandLine) {
        return vg::selfupdate::RunSelfUpdate(commandLine, App().cdnBase, kUpdateSigner);
    };
    stages.startTelemetry = [](int isTest, const std::u16string& mode,
                               const std::u16string& gameName, const std::u16string& mid) {
        vg::telemetry::CTrel::GetInstance()->Init(isTest, mode, gameName, mid);
    };
    stages.sendEvent = [](const std::u16string& actionCode, std::uint32_t result,
                          const std::u16string& description) {
        vg::telemetry::CTrel::GetInstance()->SendEvent(actionCode, result, description);
    };
    stages.stopTelemetry = [] { vg::telemetry::CTrel::GetInstance()->FlushAndStop(); };
    stages.registerPc = [](vg::app::CVarnugamesStarterApp& app, int registerMode) {
        return vg::pcreg::RegisterPc(app.mode, app.encStr, registerMode);
    };
    stages.registerPcV2 = [](vg::app::CVarnugamesStarterApp& app, int registerMode) {
        return vg::pcreg::RegisterPcV2(app.mode, app.encStr, registerMode);
    };
    stages.sendPcSpec = [](vg::app::CVarnugamesStarterApp& app, const std::u16string& encStr) {
        return vg::pcspec::SendPcSpec(app.mode, encStr) ? 1 : 0;
    };
    stages.startGame = [sendEvent = stages.sendEvent](vg::app::CVarnugamesStarterApp& app) {
        vg::startflow::GameStartServices services{
            .sendEvent = sendEvent,
            .sequenceKey = [] { return vg::telemetry::CTrel::GetInstance()->SequenceKey(); }};
        return vg::startflow::StartGame(app.cdnBase, app.mode, app.gameName, app.launcherFile,
                                        app.encStr, app.mid, app.channel, app.agent,
                                        std::move(services));
    };
    return stages;
}

vg::app::CVarnugamesStarterApp theApp(ProgramStages());

vg::app::CVarnugamesStarterApp& App() {
    return theApp;
}

} // namespace
