// The action runs' prefix: drive C's serial and the machine registry.
#include "blackbox/pc_action_fixture.h"

#include "blackbox/machine_facts.h"

namespace vg::test {

PcActionTest::PcActionTest() {
    WriteFile(dir_ / "drive_c" / ".windows-serial", "5a3c0f1e\n");
    WriteMachineRegistry(std::string("[System\\\\CurrentControlSet\\\\Control\\\\SystemInformation]"
                                     " 1700000000\n\"ComputerHardwareId\"=\"") +
                         kHardwareIdValue +
                         "\"\n\n[Software\\\\Microsoft\\\\DirectX] 1700000000\n"
                         "\"Version\"=\"4.09.00.0904\"\n\n"
                         "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
                         "\"CurrentMajorVersionNumber\"=dword:0000000a\n"
                         "\"CurrentMinorVersionNumber\"=dword:00000000\n");
}

void PcActionTest::WriteMachineRegistry(const std::string& body) {
    WriteFile(dir_ / "prefix" / "system.reg",
              "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n" +
                  body);
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

std::uint32_t PcActionTest::ExpectedSerial() const {
    return IsOnBlockDevice(dir_ / "drive_c") ? kDriveCSerial : 0;
}

std::string PcActionTest::ActionUrl(const std::string& action, const std::string& mode,
                                    const std::string& token) {
    return "varnugamesstarter://" + action + "|" + mode + "|x|" + token + "|m1|ag|ch";
}

std::string Notice(const std::string& text) {
    return "Varnugames Starter: " + text + "\n";
}

} // namespace vg::test
