// The publisher sandbox: one TLS and one plain HTTP server per host on 127.0.0.1.
#include "sandbox/sandbox.h"

#include "sandbox/answer.h"
#include "sandbox/body_stream.h"
#include "sandbox/httplib_include.h"
#include "sandbox/json_forms.h"
#include "sandbox/request_log.h"
#include "sandbox/rule_book.h"
#include "sandbox/test_ca.h"

#include "vg/deployment_settings.h"

#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace vg::sandbox {
namespace {

constexpr const char* kLoopback = "127.0.0.1";
// Short, so that stopping a sandbox does not wait long on a client's idle connection.
constexpr time_t kKeepAliveSeconds = 2;
constexpr std::size_t kKeepAliveRequests = 100;

/// Host names are plain ASCII (the build checks them), so each UTF-16 unit is one character.
std::string Narrow(std::u16string_view text) {
    std::string narrow;
    for (const char16_t unit : text) {
        narrow += static_cast<char>(unit);
    }
    return narrow;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void AddOnce(std::vector<std::string>& names, const std::string& name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
    }
}

/// cpp-httplib's own headers for the peer and local addresses, which no client sent.
bool IsAddressPseudoHeader(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

/// The request being answered on this thread: cpp-httplib serves one connection per thread
/// and one request after the other on it.
struct RequestInProgress {
    bool recorded = false;
    /// The Content-Type taken off the request so that cpp-httplib keeps any body as bytes
    /// (it would take form and multipart bodies apart, and refuse large form bodies).
    std::optional<std::string> contentType;
    /// A POST or PUT without a length has no body, but cpp-httplib would read one until the
    /// connection closed; the length it is given here is not the client's to record.
    bool addedContentLength = false;
};
thread_local RequestInProgress t_request;

struct HostPorts {
    std::string name;
    int tlsPort = 0;
    int plainPort = 0;
};

/// One listening server and the thread it runs on.
struct Endpoint {
    std::string host;
    bool tls = false;
    int port = 0;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;

    Endpoint() = default;
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;
    ~Endpoint() {
        if (thread.joinable()) {
            server->stop();
            thread.join();
        }
    }
};

void ReuseAddressOnly(socket_t socket) {
    // Not SO_REUSEPORT, cpp-httplib's default: a fixed port already taken must fail to bind
    // instead of sharing the traffic with the other listener.
    int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

void StartListening(Endpoint& endpoint, int fixedPort) {
    httplib::Server& server = *endpoint.server;
    server.set_socket_options(ReuseAddressOnly);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    server.set_keep_alive_max_count(kKeepAliveRequests);
    endpoint.port = fixedPort;
    if (fixedPort == 0) {
        endpoint.port = server.bind_to_any_port(kLoopback);
    } else if (!server.bind_to_port(kLoopback, fixedPort)) {
        endpoint.port = -1;
    }
    if (endpoint.port <= 0) {
        throw std::runtime_error("sandbox: cannot listen on 127.0.0.1:" +
                                 std::to_string(fixedPort) + " for " + endpoint.host);
    }
    endpoint.thread = std::thread([&server] { server.listen_after_bind(); });
    // Stopping a server that has not begun to run would leave its thread listening forever;
    // the thread marks it running first thing.
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace

std::string RecordedRequest::Header(std::string_view name) const {
    const auto found = headers.find(Lower(std::string(name)));
    return found == headers.end() ? std::string() : found->second;
}

std::vector<std::string> DeploymentHostNames() {
    std::vector<std::string> names;
    for (const std::u16string_view host :
         {deployment::kCdnHost, deployment::kTelemetryHost, deployment::kServiceApiHostLive,
          deployment::kServiceApiHostQa, deployment::kSecurityCentreHostProd,
          deployment::kSecurityCentreHostStage, deployment::kSecurityCentreHostQa}) {
        AddOnce(names, Lower(Narrow(host)));
    }
    return names;
}

struct Sandbox::Impl {
    SandboxOptions options;
    std::vector<HostPorts> hosts;
    std::unique_ptr<TlsIdentity> identity;
    std::unique_ptr<RequestLog> log;
    RuleBook rules;
    StopSignal stop;
    std::vector<std::unique_ptr<Endpoint>> endpoints;

    explicit Impl(SandboxOptions sandboxOptions);
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    void StartHost(HostPorts& host, int index);
    Endpoint& AddEndpoint(const std::string& host, bool tls, int fixedPort);
    void Serve(Endpoint& endpoint);
    void Answer(const Endpoint& endpoint, const httplib::Request& request,
                httplib::Response& response);
    Content ContentFor(const Endpoint& endpoint, const httplib::Request& request,
                       const std::optional<Fault>& fault) const;
    void Record(const Endpoint& endpoint, const httplib::Request& request);
    [[nodiscard]] const HostPorts* Find(std::string_view name) const;
};

Sandbox::Impl::Impl(SandboxOptions sandboxOptions) : options(std::move(sandboxOptions)) {
    std::vector<std::string> names = DeploymentHostNames();
    for (const std::string& name : options.downloadHosts) {
        AddOnce(names, Lower(name));
    }
    std::error_code error;
    std::filesystem::create_directories(options.workDir, error);
    // Absolute, so that the paths handed to clients hold from any working directory.
    options.workDir = std::filesystem::absolute(options.workDir, error);
    options.root = std::filesystem::absolute(options.root, error);
    if (error) {
        throw std::runtime_error("sandbox: cannot make " + options.workDir.string());
    }
    identity = std::make_unique<TlsIdentity>(names, options.workDir, options.caDir);
    log = std::make_unique<RequestLog>(options.workDir / "requests.jsonl");
    for (std::size_t i = 0; i < names.size(); ++i) {
        hosts.push_back({names[i], 0, 0});
        StartHost(hosts.back(), static_cast<int>(i));
    }
}

Sandbox::Impl::~Impl() {
    stop.Stop();
    endpoints.clear();
}

void Sandbox::Impl::StartHost(HostPorts& host, int index) {
    const int base = options.basePort == 0 ? 0 : options.basePort + 2 * index;
    host.tlsPort = AddEndpoint(host.name, true, base).port;
    host.plainPort = AddEndpoint(host.name, false, base == 0 ? 0 : base + 1).port;
}

Endpoint& Sandbox::Impl::AddEndpoint(const std::string& host, bool tls, int fixedPort) {
    auto endpoint = std::make_unique<Endpoint>();
    endpoint->host = host;
    endpoint->tls = tls;
    if (tls) {
        endpoint->server =
            std::make_unique<httplib::SSLServer>(identity->Certificate(), identity->Key());
    } else {
        endpoint->server = std::make_unique<httplib::Server>();
    }
    if (!endpoint->server->is_valid()) {
        throw std::runtime_error("sandbox: cannot set up the TLS server for " + host);
    }
    Serve(*endpoint);
    StartListening(*endpoint, fixedPort);
    endpoints.push_back(std::move(endpoint));
    return *endpoints.back();
}

void Sandbox::Impl::Serve(Endpoint& endpoint) {
    httplib::Server& server = *endpoint.server;
    server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        // The request object is not const; cpp-httplib only hands it out as const.
        auto& headers = const_cast<httplib::Request&>(request).headers;
        t_request = {};
        if (request.has_header("Content-Type")) {
            t_request.contentType = request.get_header_value("Content-Type");
            headers.erase("Content-Type");
        }
        if (!request.has_header("Content-Length") && !request.has_header("Transfer-Encoding")) {
            headers.emplace("Content-Length", "0");
            t_request.addedContentLength = true;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto answer = [this, &endpoint](const httplib::Request& request,
                                          httplib::Response& response) {
        Answer(endpoint, request, response);
    };
    server.Get(".*", answer);
    server.Post(".*", answer);
    // Requests cpp-httplib answered itself (a malformed Range, an unknown method) are recorded
    // once they are answered.
    server.set_logger([this, &endpoint](const httplib::Request& request, const httplib::Response&) {
        if (!t_request.recorded) {
            Record(endpoint, request);
        }
        t_request = {};
    });
}

void Sandbox::Impl::Answer(const Endpoint& endpoint, const httplib::Request& request,
                           httplib::Response& response) {
    Record(endpoint, request);
    const std::optional<Fault> fault = rules.TakeFault(endpoint.host, request.path);
    if (fault && fault->delay.count() > 0 && !stop.WaitFor(fault->delay)) {
        PutAnswer(response, TextContent(503, "Stopping\n", "text/plain"), std::nullopt, stop);
        return;
    }
    PutAnswer(response, ContentFor(endpoint, request, fault), fault, stop);
}

Content Sandbox::Impl::ContentFor(const Endpoint& endpoint, const httplib::Request& request,
                                  const std::optional<Fault>& fault) const {
    if (fault) {
        if (auto content = FaultContent(*fault)) {
            return std::move(*content);
        }
    }
    if (const auto reply = rules.FindReply(endpoint.host, request.path)) {
        return TextContent(reply->status, reply->body, reply->contentType);
    }
    if (request.method == "POST") {
        return TextContent(200, "{}", "application/json");
    }
    const std::string range =
        request.has_header("Range") ? request.get_header_value("Range") : std::string();
    return FileContent(options.root / endpoint.host, request.path, range,
                       fault && fault->ignoreRange);
}

void Sandbox::Impl::Record(const Endpoint& endpoint, const httplib::Request& request) {
    t_request.recorded = true;
    RecordedRequest recorded;
    recorded.time = std::chrono::system_clock::now();
    recorded.method = request.method;
    recorded.host = endpoint.host;
    recorded.hostHeader = request.get_header_value("Host");
    recorded.path = request.target;
    recorded.port = endpoint.port;
    recorded.tls = endpoint.tls;
    for (const auto& [name, value] : request.headers) {
        const bool added = t_request.addedContentLength && Lower(name) == "content-length";
        if (!IsAddressPseudoHeader(name) && !added) {
            recorded.headers.emplace(Lower(name), value);
        }
    }
    if (t_request.contentType) {
        recorded.headers.emplace("content-type", *t_request.contentType);
    }
    recorded.body = request.body;
    recorded.bodyIsUtf8 = IsValidUtf8(recorded.body);
    log->Add(std::move(recorded));
}

const HostPorts* Sandbox::Impl::Find(std::string_view name) const {
    const std::string wanted = Lower(std::string(name));
    for (const HostPorts& host : hosts) {
        if (host.name == wanted) {
            return &host;
        }
    }
    return nullptr;
}

Sandbox::Sandbox(SandboxOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Sandbox::~Sandbox() = default;

int Sandbox::TlsPort(std::string_view host) const {
    const HostPorts* found = impl_->Find(host);
    return found ? found->tlsPort : 0;
}

int Sandbox::PlainPort(std::string_view host) const {
    const HostPorts* found = impl_->Find(host);
    return found ? found->plainPort : 0;
}

std::string Sandbox::ConnectTo() const {
    std::string value;
    for (const HostPorts& host : impl_->hosts) {
        value += (value.empty() ? "" : ",") + host.name + ":443:" + kLoopback + ":" +
                 std::to_string(host.tlsPort) + "," + host.name + ":80:" + kLoopback + ":" +
                 std::to_string(host.plainPort);
    }
    return value;
}

std::filesystem::path Sandbox::CaFile() const {
    return impl_->options.workDir / "ca.pem";
}

std::filesystem::path Sandbox::RequestLogFile() const {
    return impl_->options.workDir / "requests.jsonl";
}

void Sandbox::AddFault(std::string host, std::string path, Fault fault) {
    impl_->rules.AddFault({std::move(host), std::move(path), std::move(fault)});
}

void Sandbox::ClearFaults() {
    impl_->rules.ClearFaults();
}

void Sandbox::SetReply(std::string host, std::string path, int status, std::string body,
                       std::string contentType) {
    impl_->rules.SetReply(
        {std::move(host), std::move(path), status, std::move(body), std::move(contentType)});
}

void Sandbox::ClearReplies() {
    impl_->rules.ClearReplies();
}

std::vector<RecordedRequest> Sandbox::Requests() const {
    return impl_->log->All();
}

void Sandbox::ClearRequests() {
    impl_->log->Clear();
}

std::vector<std::string> Sandbox::HostNames() const {
    std::vector<std::string> names;
    for (const HostPorts& host : impl_->hosts) {
        names.push_back(host.name);
    }
    return names;
}

} // namespace vg::sandbox
