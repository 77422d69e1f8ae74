// Clients for the sandbox tests: libcurl and a raw socket.
#include "test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vg::sandbox::test {
namespace {

struct CurlFree {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, ListFree>;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

/// Keeps the headers of the last answer only: a 100 Continue comes before the real one.
std::size_t CollectHeader(char* data, std::size_t size, std::size_t count, void* target) {
    auto& headers = *static_cast<std::multimap<std::string, std::string>*>(target);
    const std::string line(data, size * count);
    if (line.rfind("HTTP/", 0) == 0) {
        headers.clear();
    } else if (const auto colon = line.find(':'); colon != std::string::npos) {
        headers.emplace(Lower(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    return size * count;
}

CurlList MakeList(const std::vector<std::string>& items) {
    CurlList list;
    for (const std::string& item : items) {
        list.reset(curl_slist_append(list.release(), item.c_str()));
    }
    return list;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) {
        items.push_back(item);
    }
    return items;
}

/// A file descriptor closed when it goes out of scope.
class Socket {
public:
    Socket() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    [[nodiscard]] int Fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

ScratchDir::ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vg-sandbox-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Fetched::HasHeader(const std::string& name) const {
    return headers.count(Lower(name)) > 0;
}

std::string Fetched::Header(const std::string& name) const {
    const auto found = headers.find(Lower(name));
    return found == headers.end() ? std::string() : found->second;
}

Fetched Fetch(const std::string& url, const FetchOptions& options) {
    const std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        throw std::runtime_error("no libcurl handle");
    }
    Fetched fetched;
    CURL* handle = curl.get();
    const CurlList connectTo = MakeList(SplitCommas(options.connectTo));
    const CurlList headers = MakeList(options.headers);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_CONNECT_TO, connectTo.get());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    if (!options.caFile.empty()) {
        curl_easy_setopt(handle, CURLOPT_CAINFO, options.caFile.c_str());
    }
    // CURL_SSLVERSION_MAX_TLSv1_2 is this shift; its macro does not build warning-free in C++.
    const long tls12 = CURL_SSLVERSION_TLSv1_2;
    const long exactlyTls12 = tls12 | (tls12 << 16);
    curl_easy_setopt(handle, CURLOPT_SSLVERSION, exactlyTls12);
    curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &fetched.body);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, CollectHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &fetched.headers);
    if (options.method == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else if (options.method == "POST") {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, options.body.data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(options.body.size()));
    } else if (options.method != "GET") {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, options.method.c_str());
    }
    fetched.code = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &fetched.status);
    return fetched;
}

Fetched Fetch(const Sandbox& sandbox, const std::string& url, FetchOptions options) {
    options.connectTo = sandbox.ConnectTo();
    options.caFile = sandbox.CaFile();
    return Fetch(url, options);
}

std::string RawExchange(int port, const std::string& request) {
    Socket socket;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{10, 0};
    ::setsockopt(socket.Fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::connect(socket.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::send(socket.Fd(), request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size())) {
        return {};
    }
    std::string received;
    char buffer[4096];
    for (ssize_t got; (got = ::recv(socket.Fd(), buffer, sizeof buffer, 0)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(got));
    }
    return received;
}

std::string RawGet(int port, const std::string& host, const std::string& path) {
    return RawExchange(port, "GET " + path + " HTTP/1.1\r\nHost: " + host +
                                 "\r\nConnection: close\r\n\r\n");
}

} // namespace vg::sandbox::test
