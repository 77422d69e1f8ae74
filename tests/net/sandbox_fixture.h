// A publisher sandbox for one test, with this process routed to it and trusting its CA.
#pragma once

#include "sandbox/sandbox.h"
#include "support/temp_dir.h"
#include "util/text_encoding.h"
#include "vg/deployment_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vg::test {

class SandboxTest : public testing::Test {
protected:
    void SetUp() override {
        sandbox::SandboxOptions options;
        options.root = dir_ / "root";
        options.workDir = dir_ / "work";
        sandbox_ = std::make_unique<sandbox::Sandbox>(options);
        ::setenv("VARNUGAMES_CONNECT_TO", sandbox_->ConnectTo().c_str(), 1);
        ::setenv("SSL_CERT_FILE", sandbox_->CaFile().c_str(), 1);
        ::unsetenv("SSL_CERT_DIR");
        for (const char* proxy :
             {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(proxy);
        }
    }

    void TearDown() override {
        sandbox_.reset();
        ::unsetenv("VARNUGAMES_CONNECT_TO");
        ::unsetenv("SSL_CERT_FILE");
    }

    /// Puts a file where a host serves it.
    void Serve(const std::string& host, const std::string& path, std::string_view bytes) {
        const std::filesystem::path file = dir_ / "root" / host / path.substr(1);
        std::filesystem::create_directories(file.parent_path());
        WriteFile(file, bytes);
    }

    /// True when no request reached a plain-HTTP port.
    [[nodiscard]] bool AllRequestsWereSecure() const {
        for (const sandbox::RecordedRequest& request : sandbox_->Requests()) {
            if (!request.tls) {
                return false;
            }
        }
        return true;
    }

    TempDir dir_;
    std::unique_ptr<sandbox::Sandbox> sandbox_;
};

inline const std::string kCdn = util::ToUtf8(deployment::kCdnHost);
inline const std::string kTelemetry = util::ToUtf8(deployment::kTelemetryHost);
inline const std::string kDownload = "download.varnugames.com";

} // namespace vg::test
