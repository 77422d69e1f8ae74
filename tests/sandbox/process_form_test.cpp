// vg-sandbox as a program: what it prints and writes for its clients, its fault file, its
// control endpoint, and how it ends.
#include "test_client.h"

#include "sandbox/request_log.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <thread>

namespace vg::sandbox::test {
namespace {

using nlohmann::json;

/// vg-sandbox started with its standard output and error going to files; killed if the test
/// ends before it does.
class SandboxProgram {
public:
    SandboxProgram(const std::vector<std::string>& args, const std::filesystem::path& output) {
        std::vector<std::string> argv = {VG_SANDBOX_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        // Everything the child needs is made before the fork: it may only make system calls.
        std::vector<char*> pointers;
        for (std::string& arg : argv) {
            pointers.push_back(arg.data());
        }
        pointers.push_back(nullptr);
        const std::string outputPath = output.string();
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execv(pointers[0], pointers.data());
            ::_exit(127);
        }
    }
    SandboxProgram(const SandboxProgram&) = delete;
    SandboxProgram& operator=(const SandboxProgram&) = delete;
    ~SandboxProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }

    /// The exit status, or 128 + the signal that ended it.
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int Terminate() {
        ::kill(pid_, SIGTERM);
        return Wait();
    }

    /// True once `file` exists; false when the program ended first or 30 s passed.
    bool WaitForFile(const std::filesystem::path& file) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!std::filesystem::exists(file)) {
            int status = 0;
            if (std::chrono::steady_clock::now() > deadline ||
                ::waitpid(pid_, &status, WNOHANG) != 0) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    pid_t pid_ = -1;
};

std::map<std::string, std::string> ReadAssignments(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

TEST(ProcessFormTest, StartsFromItsFaultFileAndIsDrivenThroughTheControlEndpoint) {
    ScratchDir scratch;
    const auto root = scratch.Path() / "root";
    const auto work = scratch.Path() / "work";
    const auto ready = scratch.Path() / "ready.env";
    WriteFile(root / "cdn.varnugames.com" / "live" / "a.json", "{\"a\":1}");
    WriteFile(scratch.Path() / "faults.json", R"({
        "faults": [{"host": "cdn.varnugames.com", "path": "/live/a.json", "status": 500,
                    "times": 1}],
        "replies": [{"path": "/api", "body": "{\"r\":1}"}]})");
    SandboxProgram program(
        {"--root", root.string(), "--work-dir", work.string(), "--download-host", "dl.example.test",
         "--faults", (scratch.Path() / "faults.json").string(), "--ready-file", ready.string()},
        scratch.Path() / "output.txt");
    ASSERT_TRUE(program.WaitForFile(ready)) << ReadFile(scratch.Path() / "output.txt");

    const auto env = ReadAssignments(ReadFile(ready));
    EXPECT_EQ(ReadFile(scratch.Path() / "output.txt"), ReadFile(ready));
    EXPECT_EQ(env.at("SSL_CERT_FILE"), (work / "ca.pem").string());
    EXPECT_EQ(env.at("VG_SANDBOX_REQUESTS"), (work / "requests.jsonl").string());
    EXPECT_NE(env.at("VARNUGAMES_CONNECT_TO").find("dl.example.test:443:127.0.0.1:"),
              std::string::npos);
    const FetchOptions client{.connectTo = env.at("VARNUGAMES_CONNECT_TO"),
                              .caFile = env.at("SSL_CERT_FILE")};
    const std::string control = "http://" + env.at("VG_SANDBOX_CONTROL");
    const std::string file = "https://cdn.varnugames.com/live/a.json";
    const auto controlRequest = [&](const std::string& method, const std::string& path,
                                    const std::string& body = "") {
        return Fetch(control + path, {.method = method, .body = body});
    };

    EXPECT_EQ(Fetch(file, client).status, 500); // from the fault file, once
    EXPECT_EQ(Fetch(file, client).body, "{\"a\":1}");
    FetchOptions post = client;
    post.method = "POST";
    EXPECT_EQ(Fetch("https://api.varnugames.com/api", post).body, "{\"r\":1}");

    const Fetched added = controlRequest("POST", "/faults", R"([{"path": "/live/a.json",
                                                               "status": 503}])");
    EXPECT_EQ(added.status, 200);
    EXPECT_EQ(json::parse(added.body)["added"], 1);
    EXPECT_EQ(Fetch(file, client).status, 503);
    const Fetched refused = controlRequest("POST", "/faults", R"({"path": "/x", "stat": 1})");
    EXPECT_EQ(refused.status, 400);
    EXPECT_NE(json::parse(refused.body)["error"].get<std::string>().find("stat"),
              std::string::npos);
    EXPECT_EQ(controlRequest("DELETE", "/faults").status, 200);
    EXPECT_EQ(Fetch(file, client).status, 200);

    const json requests = json::parse(controlRequest("GET", "/requests").body);
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[2]["method"], "POST");
    EXPECT_EQ(requests[2]["host"], "api.varnugames.com");
    EXPECT_EQ(requests[4]["path"], "/live/a.json");
    const json hosts = json::parse(controlRequest("GET", "/hosts").body);
    EXPECT_EQ(hosts["connectTo"], env.at("VARNUGAMES_CONNECT_TO"));
    EXPECT_EQ(hosts["hosts"].back()["name"], "dl.example.test");

    EXPECT_EQ(program.Terminate(), 0);
    EXPECT_EQ(ReadRequestLog(work / "requests.jsonl").size(), 5u);
}

TEST(ProcessFormTest, RefusesToStartWithoutWhatItNeeds) {
    ScratchDir scratch;
    WriteFile(scratch.Path() / "bad.json", R"([{"path": "/x", "status": "oops"}])");
    const std::string root = (scratch.Path() / "root").string();
    const std::string work = (scratch.Path() / "work").string();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"--root", root}, 2, "--work-dir"},
        {{"--root", root, "--work-dir", work, "--base-port", "70000"}, 2, "--base-port"},
        {{"--root", root, "--work-dir", work, "--faults", (scratch.Path() / "bad.json").string()},
         1,
         "status"},
        {{"--root", root, "--work-dir", work, "--faults", (scratch.Path() / "none.json").string()},
         1,
         "none.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        SandboxProgram program(c.args, scratch.Path() / "output.txt");
        EXPECT_EQ(program.Wait(), c.exitCode);
        EXPECT_NE(ReadFile(scratch.Path() / "output.txt").find(c.says), std::string::npos);
    }
}

} // namespace
} // namespace vg::sandbox::test
