// The built program reports the PC's hardware to the service API: the host for each mode,
// the token in the path, and the form body byte for byte against the machine's own values.
#include "blackbox/pc_action_fixture.h"
#include "support/percent_text.h"

#include "util/md5.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

const std::string kLiveHost = util::ToUtf8(deployment::kServiceApiHostLive);
const std::string kQaHost = util::ToUtf8(deployment::kServiceApiHostQa);

/// The form's values, "%XX" decoded, by key; the keys in their order in `order`.
std::map<std::string, std::string> FormValues(const std::string& body,
                                              std::vector<std::string>& order) {
    std::map<std::string, std::string> values;
    std::size_t start = 0;
    while (start <= body.size()) {
        const std::size_t end = std::min(body.find('&', start), body.size());
        const std::string pair = body.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        order.push_back(pair.substr(0, equals));
        values[order.back()] =
            equals == std::string::npos ? "" : PercentDecode(pair.substr(equals + 1));
        start = end + 1;
    }
    return values;
}

class PcReportTest : public PcActionTest {
public:
    PcReportTest() {
        // Drive D is a RAM disk, which no report counts; drive E a second folder on the disk.
        fs::create_directories(dir_ / "drive_e");
        fs::create_directory_symlink(dir_ / "drive_e", dir_ / "prefix" / "dosdevices" / "e:");
        linuxDrives_['e'] = dir_ / "drive_e";
        if (fs::is_directory("/dev/shm")) {
            fs::create_directory_symlink("/dev/shm", dir_ / "prefix" / "dosdevices" / "d:");
        }
    }

    sandbox::RecordedRequest OnlyRequest(const std::string& host) const {
        const std::vector<sandbox::RecordedRequest> requests = RequestsTo(host);
        EXPECT_EQ(requests.size(), 1u) << host;
        return requests.empty() ? sandbox::RecordedRequest{} : requests.front();
    }
};

TEST_F(PcReportTest, TheReportDescribesThisMachine) {
    const ProcessResult result = Run(ActionUrl("pcspec", "live", "a.b~c=d"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const sandbox::RecordedRequest request = OnlyRequest(kLiveHost);
    EXPECT_EQ(request.method, "POST");
    EXPECT_TRUE(request.tls);
    EXPECT_EQ(request.path, "/pcspec/send/a.b~c=d");
    EXPECT_EQ(request.Header("content-type"), "application/x-www-form-urlencoded");

    std::vector<std::string> order;
    const std::map<std::string, std::string> sent = FormValues(request.body, order);
    EXPECT_EQ(order,
              (std::vector<std::string>{"hs", "os", "cpu", "vga", "ram", "hdd", "ssd", "directx"}));

    // The free space moves while the suite runs; the sent figures are checked against the
    // machine's within a margin, then used for the exact body.
    const MachineFacts machine = Facts();
    std::string hdd;
    int ssd = 0;
    const std::string sentHdd = sent.count("hdd") ? sent.at("hdd") : "";
    for (const FixedDrive& drive : machine.fixedDrives) {
        const std::string prefix = std::string("[") + drive.letter + ":\\ - ";
        const std::size_t at = sentHdd.find(prefix);
        ASSERT_NE(at, std::string::npos) << sentHdd;
        const std::string mebibytes =
            sentHdd.substr(at + prefix.size(), sentHdd.find("MB]", at) - at - prefix.size());
        EXPECT_NEAR(std::stod(mebibytes), static_cast<double>(drive.freeMebibytes), 1024.0);
        hdd += prefix + mebibytes + "MB]";
        ssd += drive.trim ? 1 : 0;
    }
    std::uint64_t ramMebibytes = machine.totalMemoryBytes >> 20;
    ramMebibytes += ramMebibytes % 2;
    const std::string vga = !machine.hasDisplayAdapter   ? "VGA information load failed."
                            : machine.displayAdapterName ? *machine.displayAdapterName
                                                         : sent.at("vga");
    const std::string expected =
        "hs=" + util::ToUtf8(util::Md5HexUpper(u"Post-HwInfo#a.b~c=d")) +
        "&os=" + FormEncode(machine.osText) + "&cpu=" + FormEncode(machine.cpuName) +
        "&vga=" + FormEncode(vga) + "&ram=" + std::to_string(ramMebibytes) +
        "MB&hdd=" + FormEncode(hdd) + "&ssd=" + std::to_string(ssd) + "&directx=DirectX%2012.0";
    EXPECT_EQ(request.body, expected);
}

TEST_F(PcReportTest, OnlyTheWholeWordLiveOrRealChoosesTheLiveHost) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"LIVE", kLiveHost}, {"real", kLiveHost}, {"live-kr", kQaHost}, {"qa", kQaHost}};
    for (const auto& [mode, host] : cases) {
        EXPECT_EQ(Run(ActionUrl("PcSpec", mode)).err, "") << mode;
        EXPECT_EQ(OnlyRequest(host).path, "/pcspec/send/tok") << mode;
    }
}

TEST_F(PcReportTest, WithoutWindowsValuesTheirFailureTextsAreSent) {
    SetMachineValues(false);
    EXPECT_EQ(Run(ActionUrl("pcspec", "live")).err, "");
    const std::string body = OnlyRequest(kLiveHost).body;
    EXPECT_NE(body.find("&directx=DirectX%20version%20information%20load%20failed."),
              std::string::npos)
        << body;
}

TEST_F(PcReportTest, AFailedUploadIsNotReported) {
    sandbox_->SetReply(kLiveHost, "/pcspec/send/tok", 500, "{}");
    const ProcessResult result = Run(ActionUrl("pcspec", "live"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(OnlyRequest(kLiveHost).path, "/pcspec/send/tok");
}

} // namespace
} // namespace vg::test
