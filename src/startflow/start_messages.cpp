// The numbered notices, shown as message boxes.
#include "startflow/start_messages.h"

#include "platform/ui.h"

namespace vg::startflow {

void ShowStartMessage(std::u16string_view sentence) {
    const bool aboutConfiguration = sentence == kMessage19 || sentence == kMessage20;
    platform::ShowMessageBox(std::u16string(sentence) + u"\n\n" + std::u16string(kContactLine),
                             aboutConfiguration ? platform::MessageBoxIcon::Question
                                                : platform::MessageBoxIcon::Warning);
}

} // namespace vg::startflow
