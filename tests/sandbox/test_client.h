// Clients for the sandbox tests that share no code with the sandbox or the program: libcurl,
// and a raw socket for answers libcurl would refuse to show as they were sent.
#pragma once

#include "sandbox/sandbox.h"

#include <curl/curl.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vg::sandbox::test {

/// A scratch folder removed with its content at the end of a test.
class ScratchDir {
public:
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

struct Fetched {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::multimap<std::string, std::string> headers; ///< of the final answer, names lower-case
    std::string body;

    [[nodiscard]] bool HasHeader(const std::string& name) const;
    [[nodiscard]] std::string Header(const std::string& name) const;
};

struct FetchOptions {
    std::string method = "GET";
    std::string body;
    std::vector<std::string> headers;
    /// Routed with --connect-to (VARNUGAMES_CONNECT_TO's meaning); empty: connect as named.
    std::string connectTo;
    std::filesystem::path caFile;
};

/// One request with libcurl, TLS 1.2 exactly and the peer checked against `caFile`.
Fetched Fetch(const std::string& url, const FetchOptions& options);

/// Fetch with the routing and the CA of a sandbox.
Fetched Fetch(const Sandbox& sandbox, const std::string& url, FetchOptions options = {});

/// Sends `request` on a plain connection to 127.0.0.1:port and returns every byte received
/// until the server closed the connection (or 10 s passed).
std::string RawExchange(int port, const std::string& request);

/// `GET path` with a Host header and Connection: close, sent raw.
std::string RawGet(int port, const std::string& host, const std::string& path);

} // namespace vg::sandbox::test
