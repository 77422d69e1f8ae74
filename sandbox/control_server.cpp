// The control endpoint of a running sandbox.
#include "sandbox/control_server.h"

#include "sandbox/httplib_include.h"
#include "sandbox/json_forms.h"

#include <stdexcept>
#include <thread>

namespace vg::sandbox {
namespace {

using nlohmann::json;

/// A form or an array of forms, all read before any is used, so that a bad one adds nothing.
template <typename Rule> std::vector<Rule> ReadForms(const json& forms, Rule (*read)(const json&)) {
    std::vector<Rule> rules;
    if (!forms.is_array()) {
        rules.push_back(read(forms));
        return rules;
    }
    for (const json& form : forms) {
        rules.push_back(read(form));
    }
    return rules;
}

std::size_t AddFaults(Sandbox& sandbox, const json& forms) {
    std::vector<FaultRule> rules = ReadForms(forms, FaultRuleFromJson);
    for (FaultRule& rule : rules) {
        sandbox.AddFault(std::move(rule.host), std::move(rule.path), std::move(rule.fault));
    }
    return rules.size();
}

std::size_t SetReplies(Sandbox& sandbox, const json& forms) {
    std::vector<ReplyRule> rules = ReadForms(forms, ReplyRuleFromJson);
    for (ReplyRule& rule : rules) {
        sandbox.SetReply(std::move(rule.host), std::move(rule.path), rule.status,
                         std::move(rule.body), std::move(rule.contentType));
    }
    return rules.size();
}

template <typename Json = json>
void SendJson(httplib::Response& response, int status, const Json& body) {
    response.status = status;
    response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace),
                         "application/json");
}

/// Answers a POST whose body is a form (or array of forms) read by `apply`.
template <typename Apply> httplib::Server::Handler FormHandler(Sandbox& sandbox, Apply apply) {
    return [&sandbox, apply](const httplib::Request& request, httplib::Response& response) {
        const json forms = json::parse(request.body, nullptr, false);
        if (forms.is_discarded()) {
            SendJson(response, 400, {{"error", "the body is not JSON"}});
            return;
        }
        try {
            SendJson(response, 200, {{"added", apply(sandbox, forms)}});
        } catch (const std::invalid_argument& error) {
            SendJson(response, 400, {{"error", error.what()}});
        }
    };
}

nlohmann::ordered_json RequestsJson(const Sandbox& sandbox) {
    nlohmann::ordered_json requests = nlohmann::ordered_json::array();
    for (const RecordedRequest& request : sandbox.Requests()) {
        requests.push_back(RequestToJson(request));
    }
    return requests;
}

json HostsJson(const Sandbox& sandbox) {
    json hosts = json::array();
    for (const std::string& name : sandbox.HostNames()) {
        hosts.push_back({{"name", name},
                         {"tlsPort", sandbox.TlsPort(name)},
                         {"plainPort", sandbox.PlainPort(name)}});
    }
    return {{"connectTo", sandbox.ConnectTo()},
            {"caFile", sandbox.CaFile().string()},
            {"hosts", std::move(hosts)}};
}

} // namespace

struct ControlServer::Impl {
    httplib::Server server;
    int port = 0;
    std::thread thread;

    ~Impl() {
        if (thread.joinable()) {
            server.stop();
            thread.join();
        }
    }
};

ControlServer::ControlServer(Sandbox& sandbox, int port) : impl_(std::make_unique<Impl>()) {
    httplib::Server& server = impl_->server;
    server.Post("/faults", FormHandler(sandbox, AddFaults));
    server.Post("/replies", FormHandler(sandbox, SetReplies));
    server.Delete("/faults", [&sandbox](const httplib::Request&, httplib::Response& response) {
        sandbox.ClearFaults();
        SendJson(response, 200, json::object());
    });
    server.Delete("/replies", [&sandbox](const httplib::Request&, httplib::Response& response) {
        sandbox.ClearReplies();
        SendJson(response, 200, json::object());
    });
    server.Get("/requests", [&sandbox](const httplib::Request&, httplib::Response& response) {
        SendJson(response, 200, RequestsJson(sandbox));
    });
    server.Delete("/requests", [&sandbox](const httplib::Request&, httplib::Response& response) {
        sandbox.ClearRequests();
        SendJson(response, 200, json::object());
    });
    server.Get("/hosts", [&sandbox](const httplib::Request&, httplib::Response& response) {
        SendJson(response, 200, HostsJson(sandbox));
    });
    impl_->port = port == 0 ? server.bind_to_any_port("127.0.0.1")
                            : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (impl_->port <= 0) {
        throw std::runtime_error("sandbox: cannot listen on control port " + std::to_string(port));
    }
    impl_->thread = std::thread([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ControlServer::~ControlServer() = default;

int ControlServer::Port() const {
    return impl_->port;
}

void ApplySetup(Sandbox& sandbox, const json& setup) {
    if (setup.is_array()) {
        AddFaults(sandbox, setup);
        return;
    }
    if (!setup.is_object()) {
        throw std::invalid_argument("a setup is an array of faults or an object");
    }
    for (const auto& [name, value] : setup.items()) {
        if (name == "faults") {
            AddFaults(sandbox, value);
        } else if (name == "replies") {
            SetReplies(sandbox, value);
        } else {
            throw std::invalid_argument("unknown member \"" + name + "\" in the setup");
        }
    }
}

} // namespace vg::sandbox
