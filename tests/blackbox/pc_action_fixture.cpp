// The action runs' prefix: drive C's serial and the machine registry.
#include "blackbox/pc_action_fixture.h"

namespace vg::test {

using Hive = RegistryValue::Hive;

PcActionTest::PcActionTest() : linuxDrives_{{'c', dir_ / "drive_c"}} {
    // Wine keeps a drive's volume serial in this file at the drive's root.
    WriteFile(dir_ / "drive_c" / ".windows-serial", "5a3c0f1e\n");
    SetMachineValues(true);
}

void PcActionTest::SetMachineValues(bool present) {
    const auto valueIf = [present](RegistryValue::Data data) {
        return present ? std::optional<RegistryValue::Data>(std::move(data)) : std::nullopt;
    };
    const std::string currentVersion = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    SetRegistryValues(
        {{Hive::kLocalMachine, "System\\CurrentControlSet\\Control\\SystemInformation",
          "ComputerHardwareId", valueIf(std::string(kHardwareIdValue))},
         {Hive::kLocalMachine, "Software\\Microsoft\\DirectX", "Version",
          valueIf(std::string("4.09.00.0904"))},
         {Hive::kLocalMachine, currentVersion, "CurrentMajorVersionNumber",
          valueIf(std::uint32_t{10})},
         {Hive::kLocalMachine, currentVersion, "CurrentMinorVersionNumber",
          valueIf(std::uint32_t{0})}});
}

std::vector<sandbox::RecordedRequest> PcActionTest::RequestsTo(const std::string& host) const {
    std::vector<sandbox::RecordedRequest> requests;
    for (sandbox::RecordedRequest& request : sandbox_->Requests()) {
        if (request.host == host) {
            requests.push_back(std::move(request));
        }
    }
    return requests;
}

MachineFacts PcActionTest::Facts() const {
    return target_.Facts(linuxDrives_);
}

std::uint32_t PcActionTest::ExpectedSerial() const {
    return Facts().systemVolumeSerial;
}

std::string PcActionTest::ActionUrl(const std::string& action, const std::string& mode,
                                    const std::string& token) {
    return "varnugamesstarter://" + action + "|" + mode + "|x|" + token + "|m1|ag|ch";
}

std::string Notice(const std::string& text) {
    return "Varnugames Starter: " + text + "\n";
}

} // namespace vg::test
