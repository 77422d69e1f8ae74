// The publisher sandbox: every publisher host served over loopback TLS and plain HTTP, with
// request recording and injected faults, for tests, the demo and use by hand.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vg::sandbox {

/// A misbehaviour injected into the answers for one (host, path). The parts combine: a status
/// with a drop, a delay before a trickle, and so on.
struct Fault {
    /// Answers with this status and a short text body instead of the normal answer.
    std::optional<int> status;
    /// Answers (with `status`, else 200) with `<html><body>Maintenance</body></html>`.
    bool htmlPage = false;
    /// Closes the connection after this many body bytes; the headers announce the full length.
    std::optional<std::uint64_t> dropAfterBytes;
    /// Sends the body with chunked transfer coding and no Content-Length.
    bool noContentLength = false;
    /// Waits this long before answering.
    std::chrono::milliseconds delay{0};
    /// Positive: sends this many bytes ('#') beyond the announced length; negative: sends that
    /// many bytes fewer than announced. Either way the connection is closed afterwards.
    std::optional<std::int64_t> extraBytes;
    /// Sends this text as the Content-Length header in place of the true length, then the whole
    /// body, then closes the connection.
    std::optional<std::string> rawContentLength;
    /// Answers a Range request with 200 and the whole file.
    bool ignoreRange = false;
    /// Sends the body `first` bytes at a time, waiting `second` between the pieces.
    std::optional<std::pair<std::size_t, std::chrono::milliseconds>> trickle;
    /// Applies to the first `times` matching requests, then the path behaves normally again;
    /// negative: always.
    int times = -1;
    /// Replaces the body of the answer (text/html with `htmlPage`, else text/plain).
    std::optional<std::string> body;
    /// Answers (with `status`, else 302) with this Location header: a redirect.
    std::optional<std::string> location;
};

/// One request as a host received it.
struct RecordedRequest {
    std::chrono::system_clock::time_point time;
    std::string method;
    std::string host;       ///< the sandbox host whose port received it
    std::string hostHeader; ///< the Host header as sent
    std::string path;       ///< as sent, with the query string
    int port = 0;
    bool tls = false;
    std::multimap<std::string, std::string> headers; ///< names lower-case
    std::string body;                                ///< the bytes as received
    bool bodyIsUtf8 = true;

    /// The first value of a header (any case), empty when absent.
    [[nodiscard]] std::string Header(std::string_view name) const;
};

struct SandboxOptions {
    /// Each host serves `<root>/<host name>/`.
    std::filesystem::path root;
    /// Receives ca.pem, server.pem, server-key.pem and requests.jsonl; made when missing.
    std::filesystem::path workDir;
    /// Hosts served besides the deployment hosts.
    std::vector<std::string> downloadHosts{"download.varnugames.com"};
    /// A folder holding ca.pem and ca-key.pem to issue from, so the trusted CA stays the same
    /// across runs; a CA is made and stored there when the folder has none.
    std::optional<std::filesystem::path> caDir;
    /// 0: every port is chosen by the system. Otherwise host i of HostNames() listens on
    /// basePort + 2i (TLS) and basePort + 2i + 1 (plain).
    int basePort = 0;
};

/// The sandbox runs from construction to destruction. Construction throws std::runtime_error
/// when a folder, the certificates or a port cannot be had.
///
/// For every request the first matching fault wins, in the order they were added; a host of
/// "*" matches every host. Faults and replies match the path exactly, without the query. A
/// reply set for a path answers every method there; without one, GET and HEAD serve files
/// (404 when missing, single byte ranges as 206, unsatisfiable ones as 416) and POST answers
/// 200 `{}`. The sandboxes of one process share one server key, and one CA unless `caDir` is
/// given: making keys is most of a start.
class Sandbox {
public:
    explicit Sandbox(SandboxOptions options);
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    ~Sandbox();

    /// The ports of a host on 127.0.0.1; 0 for a name the sandbox does not serve.
    [[nodiscard]] int TlsPort(std::string_view host) const;
    [[nodiscard]] int PlainPort(std::string_view host) const;

    /// The value for VARNUGAMES_CONNECT_TO: `name:443:127.0.0.1:<tls port>` and
    /// `name:80:127.0.0.1:<plain port>` for every host, comma-separated.
    [[nodiscard]] std::string ConnectTo() const;
    /// The CA certificate to trust (PEM).
    [[nodiscard]] std::filesystem::path CaFile() const;
    /// requests.jsonl in the work folder: one JSON object per request received.
    [[nodiscard]] std::filesystem::path RequestLogFile() const;

    void AddFault(std::string host, std::string path, Fault fault);
    void ClearFaults();

    void SetReply(std::string host, std::string path, int status, std::string body,
                  std::string contentType = "application/json");
    void ClearReplies();

    [[nodiscard]] std::vector<RecordedRequest> Requests() const;
    /// Forgets the recorded requests; requests.jsonl keeps them.
    void ClearRequests();

    /// The deployment hosts, then the download hosts, each once.
    [[nodiscard]] std::vector<std::string> HostNames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// The deployment hosts compiled into this build, each once, in the order of the settings.
std::vector<std::string> DeploymentHostNames();

} // namespace vg::sandbox
