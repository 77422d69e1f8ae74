// The black-box game start: sandbox, prefix, folders and the program's environment.
#include "blackbox/game_start_fixture.h"

#include "support/percent_text.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <nlohmann/json.hpp>

#include <cstdlib>

namespace vg::test {
namespace {

namespace fs = std::filesystem;

const std::string kCdnHost = util::ToUtf8(deployment::kCdnHost);
const std::string kTelemetryHost = util::ToUtf8(deployment::kTelemetryHost);

} // namespace

GameStartTest::GameStartTest()
    : installDir_(dir_ / "drive_c" / "games" / "MyGame"), tempDir_(dir_ / "tmp"),
      trustBundle_(dir_ / "trust.pem"), recordFile_((dir_ / "started.txt").string()) {
    for (const fs::path& folder : {dir_ / "prefix" / "dosdevices", installDir_, tempDir_,
                                   dir_ / "run", dir_ / "home", dir_ / "no-certs"}) {
        fs::create_directories(folder);
    }
    fs::create_directory_symlink(dir_ / "drive_c", dir_ / "prefix" / "dosdevices" / "c:");
    sandbox::SandboxOptions options;
    options.root = dir_ / "root";
    options.workDir = dir_ / "work";
    sandbox_ = std::make_unique<sandbox::Sandbox>(options);
    fs::copy_file(sandbox_->CaFile(), trustBundle_);
}

GameStartTest::~GameStartTest() = default;

std::string GameStartTest::Section(const std::string& extraMembers) {
    return R"({"LauncherName":"L.exe","SetupName":"Setup.exe","Domain":")" + kDownloadHost +
           R"(","SetupURL":"/setup/","LauncherURL":"/launcher/","RegistryRoot":"HKCU",)"
           R"("RegistryPath":["Software\\Missing","Software\\MyGame"],"CheckFiles":["data.pak"],)"
           R"("CheckCodeSignOption":false,"InstallParams":"/S -key={KEY}",)"
           R"("ExecParams":"-game={GAMENAME} -mode={Mode} -token={EncStr} -mid={MID} )"
           R"(-channel={CHANNEL} -agent={AGENT} -key={KEY}")" +
           extraMembers + "}";
}

void GameStartTest::ServeConfig(const std::string& section) {
    for (const std::string tree : {"live", "test"}) {
        Serve(kCdnHost, "/" + tree + "/config/varnugames/gamestarter.json",
              R"({"service_games":["other","MyGame"]})");
        Serve(kCdnHost, "/" + tree + "/config/varnugames/mygame.gamestarter.json",
              R"({"mygame":{"live":)" + section + R"(,"qa":)" + section + "}}");
    }
}

void GameStartTest::Serve(const std::string& host, const std::string& path,
                          std::string_view bytes) {
    const fs::path file = dir_ / "root" / host / path.substr(1);
    fs::create_directories(file.parent_path());
    WriteFile(file, bytes);
}

void GameStartTest::ServeFile(const std::string& host, const std::string& path,
                              const fs::path& source) {
    const fs::path file = dir_ / "root" / host / path.substr(1);
    fs::create_directories(file.parent_path());
    fs::copy_file(source, file, fs::copy_options::overwrite_existing);
}

void GameStartTest::RegisterInstallPath(const std::string& windowsPath) {
    std::string escaped;
    for (const char c : windowsPath) {
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    WriteFile(dir_ / "prefix" / "user.reg",
              "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
              "\n[Software\\\\MyGame] 1700000000\n\"InstallPath\"=\"" +
                  escaped + "\"\n");
}

ProcessResult GameStartTest::Run(const std::string& url, const std::string& program) {
    sandbox_->ClearRequests();
    EnvironmentChanges environment = {
        {"VARNUGAMES_CONNECT_TO", sandbox_->ConnectTo()},
        {"SSL_CERT_FILE", trustBundle_.string()},
        {"SSL_CERT_DIR", (dir_ / "no-certs").string()},
        {"WINEPREFIX", (dir_ / "prefix").string()},
        {"WINE", VG_TEST_RECORDER},
        {"TMPDIR", tempDir_.string()},
        {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
        {"HOME", (dir_ / "home").string()},
        {"VG_RECORD_FILE", recordFile_},
        {"DISPLAY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"http_proxy", std::nullopt},
        {"https_proxy", std::nullopt},
        {"HTTPS_PROXY", std::nullopt},
        {"all_proxy", std::nullopt},
    };
    for (const auto& [name, value] : extraEnvironment_) {
        environment[name] = value;
    }
    return RunProcess(program, {url}, environment);
}

std::vector<ReceivedEvent> GameStartTest::Events() const {
    std::vector<ReceivedEvent> events;
    for (const sandbox::RecordedRequest& request : sandbox_->Requests()) {
        if (request.host != kTelemetryHost || request.path != "/api/v1/prod/json") {
            continue;
        }
        ReceivedEvent event;
        // The transport escapes the bytes above 0x7F of a collector's body as "%XX".
        event.document = PercentDecode(request.body, 0x80);
        const nlohmann::json document = nlohmann::json::parse(event.document, nullptr, false);
        if (document.is_discarded()) {
            ADD_FAILURE() << "not JSON: " << event.document;
            continue;
        }
        const nlohmann::json& data = document.at("data");
        event.actionCode = data.value("action_code", "");
        event.actionResult = data.value("action_result", "");
        event.hasDescription = data.contains("description");
        event.description = data.value("description", "");
        event.sequenceKey = data.value("sequence_key", "");
        EXPECT_TRUE(request.tls);
        events.push_back(event);
    }
    return events;
}

std::vector<std::string> GameStartTest::EventSummary() const {
    std::vector<std::string> summary;
    for (const ReceivedEvent& event : Events()) {
        summary.push_back(event.actionCode + " " + event.actionResult);
    }
    return summary;
}

std::optional<LaunchRecord> GameStartTest::Started() const {
    if (!WaitForFile(recordFile_, std::chrono::seconds(10))) {
        return std::nullopt;
    }
    return ReadLaunchRecord(recordFile_);
}

} // namespace vg::test
