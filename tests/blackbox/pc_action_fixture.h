// The action runs "pcspec", "pcregister" and the like as a web page starts them: the program
// under test, the publisher sandbox, and a prefix whose registry holds a hardware id, a DirectX
// version and a Windows version. The Linux program's own prefix has a known volume serial on
// drive C; the Windows program's is whatever Wine reports.
#pragma once

#include "blackbox/game_start_fixture.h"
#include "blackbox/machine_facts.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vg::test {

class PcActionTest : public GameStartTest {
public:
    PcActionTest();

    /// Gives the machine registry the hardware id, the DirectX version and the Windows version,
    /// or makes all of them absent.
    void SetMachineValues(bool present);

    /// The requests a host received, in order.
    std::vector<sandbox::RecordedRequest> RequestsTo(const std::string& host) const;

    /// The machine as the program should see it, with the drives of linuxDrives_.
    MachineFacts Facts() const;

    /// The serial the program should find for the system drive: its volume's, when it is a
    /// fixed drive, else 0.
    std::uint32_t ExpectedSerial() const;

    /// The launch URL of an action with a mode and a token.
    static std::string ActionUrl(const std::string& action, const std::string& mode,
                                 const std::string& token = "tok");

    static constexpr const char* kHardwareIdValue = "{12345678-9abc-def0-1234-56789abcdef0}";
    static constexpr const char* kHardwareIdText = "123456789abcdef0123456789abcdef0";

    /// The test prefix's drives by letter, for the Linux program.
    std::map<char, std::filesystem::path> linuxDrives_;
};

/// "Varnugames Starter: <text>\n", the notice as the program writes it without a display.
std::string Notice(const std::string& text);

} // namespace vg::test
