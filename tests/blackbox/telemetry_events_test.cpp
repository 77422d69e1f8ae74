// The built program reports a game start to the publisher's collector, and an action run does
// not: "START" then "SELFUPDATE", each document as the collector receives it.
#include "sandbox/sandbox.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vg::test {
namespace {

const std::string kTelemetryHost = util::ToUtf8(deployment::kTelemetryHost);

class TelemetryEventsTest : public testing::Test {
protected:
    TelemetryEventsTest() {
        sandbox::SandboxOptions options;
        options.root = dir_ / "root";
        options.workDir = dir_ / "work";
        sandbox_ = std::make_unique<sandbox::Sandbox>(options);
        for (const std::string folder : {"run", "prefix", "tmp", "home"}) {
            std::filesystem::create_directories(dir_ / folder);
        }
    }

    ProcessResult Run(const std::string& url) {
        const EnvironmentChanges environment = {
            {"VARNUGAMES_CONNECT_TO", sandbox_->ConnectTo()},
            {"SSL_CERT_FILE", sandbox_->CaFile().string()},
            {"SSL_CERT_DIR", std::nullopt},
            {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
            {"WINEPREFIX", (dir_ / "prefix").string()},
            {"TMPDIR", (dir_ / "tmp").string()},
            {"HOME", (dir_ / "home").string()},
            {"DISPLAY", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt},
            {"http_proxy", std::nullopt},
            {"https_proxy", std::nullopt},
            {"HTTPS_PROXY", std::nullopt},
            {"all_proxy", std::nullopt},
            {"ALL_PROXY", std::nullopt},
        };
        return RunProcess(VG_PROGRAM, {url}, environment);
    }

    /// The documents the collector received, in order.
    std::vector<std::string> Documents() const {
        std::vector<std::string> documents;
        for (const sandbox::RecordedRequest& request : sandbox_->Requests()) {
            if (request.host == kTelemetryHost && request.path == "/api/v1/prod/json") {
                EXPECT_TRUE(request.tls);
                documents.push_back(request.body);
            }
        }
        return documents;
    }

    static std::string ActionCode(const std::string& document) {
        const nlohmann::json json = nlohmann::json::parse(document, nullptr, false);
        return json.is_discarded() ? "<not JSON>" : json["data"].value("action_code", "");
    }

    static std::string SequenceKey(const std::string& document) {
        const nlohmann::json json = nlohmann::json::parse(document, nullptr, false);
        return json.is_discarded() ? "<not JSON>" : json["data"].value("sequence_key", "");
    }

    static std::string Expected(const std::string& actionCode, const std::string& key,
                                const std::string& topic) {
        return "{\"data\":{\"action_code\":\"" + actionCode +
               "\",\"action_result\":\"00000000\",\"add_params\":{\"version\":\"" +
               VG_PRODUCT_VERSION + "\"},\"sequence_key\":\"" + key +
               "\"},\"mid\":\"m1\",\"mode\":\"production\","
               "\"product_code\":\"varnugamesstarter\",\"service_code\":\"mygame\","
               "\"topic\":\"" +
               topic + "\"}";
    }

    TempDir dir_;
    std::unique_ptr<sandbox::Sandbox> sandbox_;
};

TEST_F(TelemetryEventsTest, AGameStartSendsStartThenSelfUpdate) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"live", "launcher-user-topic"},
        {"qa", "production-test-topic"},
    };
    for (const auto& [mode, topic] : cases) {
        sandbox_->ClearRequests();
        const ProcessResult result =
            Run("varnugamesstarter://mygame|" + mode + "|Launcher.exe|tok|m1|ag|ch");
        EXPECT_EQ(result.exitCode, 0) << mode;
        EXPECT_EQ(result.out, "") << mode;
        const std::vector<std::string> documents = Documents();
        ASSERT_GE(documents.size(), 2u) << mode;
        const std::string key = SequenceKey(documents[0]);
        EXPECT_TRUE(key.empty() || key.size() == 32) << key;
        EXPECT_EQ(key.find_first_not_of("0123456789ABCDEF"), std::string::npos) << key;
        EXPECT_EQ(documents[0], Expected("START", key, topic));
        EXPECT_EQ(documents[1], Expected("SELFUPDATE", key, topic));
    }
}

TEST_F(TelemetryEventsTest, AnActionRunSendsNeither) {
    const ProcessResult result = Run("varnugamesstarter://pcregister|live|x|tok|m1|ag|ch");
    EXPECT_EQ(result.exitCode, 0);
    for (const std::string& document : Documents()) {
        EXPECT_NE(ActionCode(document), "START");
        EXPECT_NE(ActionCode(document), "SELFUPDATE");
    }
}

} // namespace
} // namespace vg::test
