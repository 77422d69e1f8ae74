// vg-sandbox: the publisher sandbox as a program, for black-box tests, the demo and use by hand.
#include "sandbox/control_server.h"
#include "sandbox/sandbox.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <pthread.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: vg-sandbox --root DIR --work-dir DIR [--download-host NAME]... [--ca-dir DIR]\n"
    "                  [--base-port N] [--control-port N] [--faults FILE] [--ready-file PATH]\n"
    "Serves every publisher host on 127.0.0.1, prints the environment a client needs and runs\n"
    "until SIGINT or SIGTERM.\n";

struct CommandLine {
    vg::sandbox::SandboxOptions options;
    int controlPort = 0;
    std::optional<std::filesystem::path> faultsFile;
    std::optional<std::filesystem::path> readyFile;
};

std::optional<int> ParsePort(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

/// The command line read, or none after saying on standard error what is wrong with it.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string_view>& args) {
    CommandLine line;
    bool downloadHostGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view name = args[i];
        if (name == "--help" || name == "-h") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (i + 1 == args.size()) {
            std::cerr << "vg-sandbox: " << name << " needs a value\n" << kUsage;
            return std::nullopt;
        }
        const std::string value(args[++i]);
        std::optional<int> port;
        if (name == "--root") {
            line.options.root = value;
        } else if (name == "--work-dir") {
            line.options.workDir = value;
        } else if (name == "--download-host") {
            if (!downloadHostGiven) {
                line.options.downloadHosts.clear();
                downloadHostGiven = true;
            }
            line.options.downloadHosts.push_back(value);
        } else if (name == "--ca-dir") {
            line.options.caDir = value;
        } else if (name == "--faults") {
            line.faultsFile = value;
        } else if (name == "--ready-file") {
            line.readyFile = value;
        } else if ((name == "--base-port" || name == "--control-port") &&
                   (port = ParsePort(value))) {
            (name == "--base-port" ? line.options.basePort : line.controlPort) = *port;
        } else {
            std::cerr << "vg-sandbox: cannot use " << name << " " << value << "\n" << kUsage;
            return std::nullopt;
        }
    }
    if (line.options.root.empty() || line.options.workDir.empty()) {
        std::cerr << "vg-sandbox: --root and --work-dir are required\n" << kUsage;
        return std::nullopt;
    }
    return line;
}

void ApplyFaultsFile(vg::sandbox::Sandbox& sandbox, const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const nlohmann::json setup = nlohmann::json::parse(in, nullptr, false);
    if (!in.is_open() || setup.is_discarded()) {
        throw std::invalid_argument(file.string() + " is not a JSON file");
    }
    vg::sandbox::ApplySetup(sandbox, setup);
}

std::string EnvironmentLines(const vg::sandbox::Sandbox& sandbox,
                             const vg::sandbox::ControlServer& control) {
    std::ostringstream lines;
    lines << "VARNUGAMES_CONNECT_TO=" << sandbox.ConnectTo() << "\n"
          << "SSL_CERT_FILE=" << sandbox.CaFile().string() << "\n"
          << "VG_SANDBOX_CONTROL=127.0.0.1:" << control.Port() << "\n"
          << "VG_SANDBOX_REQUESTS=" << sandbox.RequestLogFile().string() << "\n";
    return lines.str();
}

/// Written whole under another name and then renamed, so a reader never sees half of it.
void WriteReadyFile(const std::filesystem::path& file, const std::string& text) {
    const std::filesystem::path partial = file.string() + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            throw std::runtime_error("cannot write " + partial.string());
        }
    }
    std::filesystem::rename(partial, file);
}

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

int Run(const CommandLine& line, const sigset_t& stopSignals) {
    vg::sandbox::Sandbox sandbox(line.options);
    vg::sandbox::ControlServer control(sandbox, line.controlPort);
    if (line.faultsFile) {
        ApplyFaultsFile(sandbox, *line.faultsFile);
    }
    const std::string lines = EnvironmentLines(sandbox, control);
    std::cout << lines << std::flush;
    if (line.readyFile) {
        WriteReadyFile(*line.readyFile, lines);
    }
    int received = 0;
    sigwait(&stopSignals, &received);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const std::optional<CommandLine> line = ParseCommandLine(args);
    if (!line) {
        return 2;
    }
    // Blocked before any thread starts, so every thread leaves the stop signals to sigwait.
    const sigset_t stopSignals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return Run(*line, stopSignals);
    } catch (const std::exception& error) {
        std::cerr << "vg-sandbox: " << error.what() << "\n";
        return 1;
    }
}
