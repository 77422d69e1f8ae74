// The program's application object and the composition root: the subsystems each run uses.
#include "app/run_stages.h"
#include "app/varnugames_starter_app.h"
#include "platform/ui.h"

namespace {

vg::app::RunStages ProgramStages() {
    vg::app::RunStages stages;
    stages.mainDialog = vg::platform::RunMainDialog;
    return stages;
}

vg::app::CVarnugamesStarterApp theApp(ProgramStages());

} // namespace
