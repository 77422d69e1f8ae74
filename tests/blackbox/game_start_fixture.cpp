// The black-box game start: sandbox, prefix, folders, registry and the program's environment.
#include "blackbox/game_start_fixture.h"

#include "support/launch_record.h"
#include "support/percent_text.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <exception>
#include <iostream>
#include <sstream>
#include <thread>

namespace vg::test {
namespace {

namespace fs = std::filesystem;
using Hive = RegistryValue::Hive;

const std::string kCdnHost = util::ToUtf8(deployment::kCdnHost);
const std::string kTelemetryHost = util::ToUtf8(deployment::kTelemetryHost);

// Wine's lines worth reading when a test fails: everything but the second copy of each debug
// string that the exception dispatcher prints.
std::string WorthReading(const std::string& log) {
    std::istringstream lines(log);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.find(":warn:seh:dispatch_exception") == std::string::npos) {
            kept += "  " + line + "\n";
        }
    }
    return kept;
}

} // namespace

GameStartTest::GameStartTest()
    : installDir_(dir_ / "drive_c" / "games" / "MyGame"), tempDir_(dir_ / "tmp"),
      runtimeDir_(dir_ / "run"), trustBundle_(dir_ / "trust.pem"),
      recordFile_((dir_ / "started.txt").string()) {
    for (const fs::path& folder : {dir_ / "prefix" / "dosdevices", installDir_, tempDir_,
                                   runtimeDir_, dir_ / "home", dir_ / "no-certs"}) {
        fs::create_directories(folder);
    }
    fs::create_directory_symlink(dir_ / "drive_c", dir_ / "prefix" / "dosdevices" / "c:");
    sandbox::SandboxOptions options;
    options.root = dir_ / "root";
    options.workDir = dir_ / "work";
    options.caDir = target_.SandboxCaDir();
    sandbox_ = std::make_unique<sandbox::Sandbox>(options);
    fs::copy_file(sandbox_->CaFile(), trustBundle_);
    // The Linux program takes its temporary folder from TMPDIR; a Windows program under Wine
    // from the user's TEMP and TMP in the registry, never from the Unix environment.
    const std::string temp = target_.WindowsPath(tempDir_, dir_ / "prefix");
    SetRegistryValues({{Hive::kCurrentUser, "Environment", "TEMP", temp},
                       {Hive::kCurrentUser, "Environment", "TMP", temp},
                       {Hive::kCurrentUser, "Software\\MyGame", "InstallPath", std::nullopt}});
}

GameStartTest::~GameStartTest() {
    if (!target_.IsWindows()) {
        return;
    }
    // The shared Wine prefix outlives this test's folders: the programs that run there after it
    // get a temporary folder every prefix has.
    const std::string lastingTemp = "C:\\windows\\temp";
    try {
        SetRegistryValues({{Hive::kCurrentUser, "Environment", "TEMP", lastingTemp},
                           {Hive::kCurrentUser, "Environment", "TMP", lastingTemp}});
    } catch (const std::exception& error) {
        ADD_FAILURE() << "the prefix's temporary folder was not restored: " << error.what();
    }
}

void GameStartTest::TearDown() {
    if (!HasFailure()) {
        return;
    }
    std::cout << "The events of the last run:\n";
    for (const ReceivedEvent& event : Events()) {
        std::cout << "  " << event.actionCode << " " << event.actionResult << " "
                  << event.description << "\n";
    }
    if (!lastSystemLog_.empty()) {
        std::cout << "What Wine wrote during the last run:\n" << WorthReading(lastSystemLog_);
    }
}

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

void GameStartTest::RegisterInstallPath() {
    SetRegistryValues({{Hive::kCurrentUser, "Software\\MyGame", "InstallPath",
                        target_.WindowsPath(installDir_, dir_ / "prefix")}});
}

void GameStartTest::SetRegistryValues(const std::vector<RegistryValue>& values) {
    for (const RegistryValue& value : values) {
        const auto same = std::find_if(registry_.begin(), registry_.end(), [&](const auto& old) {
            return old.hive == value.hive && old.key == value.key && old.name == value.name;
        });
        if (same == registry_.end()) {
            registry_.push_back(value);
        } else {
            *same = value;
        }
    }
    target_.WriteRegistry(dir_ / "prefix", registry_);
}

EnvironmentChanges GameStartTest::Environment() const {
    EnvironmentChanges environment = {
        {"VARNUGAMES_CONNECT_TO", sandbox_->ConnectTo()},
        {"SSL_CERT_FILE", trustBundle_.string()},
        {"SSL_CERT_DIR", (dir_ / "no-certs").string()},
        {"WINEPREFIX", (dir_ / "prefix").string()},
        {"WINE", VG_TEST_RECORDER},
        {"TMPDIR", tempDir_.string()},
        {"XDG_RUNTIME_DIR", runtimeDir_.string()},
        {"HOME", (dir_ / "home").string()},
        {"VG_RECORD_FILE", target_.ProgramPath(recordFile_)},
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
    return environment;
}

ProcessResult GameStartTest::Run(const std::string& url) {
    return Run(url, target_.Starter());
}

ProcessResult GameStartTest::Run(const std::string& url, const fs::path& program) {
    sandbox_->ClearRequests();
    ProcessResult result = target_.Run(program, {url}, Environment());
    lastSystemLog_ = result.systemLog;
    return result;
}

std::unique_ptr<ChildProcess> GameStartTest::Start(const std::string& url) {
    return target_.Start(target_.Starter(), {url}, Environment());
}

std::vector<ReceivedEvent> GameStartTest::EventsOnceThereAre(std::size_t count) const {
    for (int i = 0; i < 300 && Events().size() < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return Events();
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

std::optional<StartedProgram> GameStartTest::Started() const {
    if (!WaitForFile(recordFile_, std::chrono::seconds(10))) {
        return std::nullopt;
    }
    const std::optional<LaunchRecord> record = ReadLaunchRecord(recordFile_);
    if (!record || record->argv.empty()) {
        return std::nullopt;
    }
    // On Linux a Windows image starts through $WINE, here the recorder itself.
    const bool throughWine = record->argv.front() == VG_TEST_RECORDER && record->argv.size() > 1;
    const auto program = record->argv.begin() + (throughWine ? 1 : 0);
    return StartedProgram{target_.HostPath(*program),
                          {program + 1, record->argv.end()},
                          target_.HostPath(record->cwd)};
}

} // namespace vg::test
