// $PATH search for the programs the backend starts by name (Wine, zenity).
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/posix/path_search.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace vg::platform::posix {
namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::optional<std::string> FindProgram(std::string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string_view::npos) {
        return std::string(name);
    }
    const char* pathVariable = std::getenv("PATH");
    const std::string_view folders = pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        std::string folder(folders.substr(start, end - start));
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + std::string(name);
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace vg::platform::posix
