// The user interface on Linux: the dialog's wait, and message boxes through zenity or stderr.
#ifdef _WIN32
#error "POSIX backend only"
#endif

#include "platform/ui.h"

#include "platform/posix/path_search.h"
#include "platform/posix/utf8_codec.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace vg::platform {
namespace {

constexpr auto kDialogLifetime = std::chrono::milliseconds(300);
constexpr const char* kCaption = "Varnugames Starter";

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

/// Runs zenity and waits for the user to close it; false when it could not show the text.
bool ShowWithZenity(const std::string& text, MessageBoxIcon icon) {
    auto zenity = posix::FindProgram("zenity");
    if (!zenity) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // One OK button whatever the icon: zenity's question dialog would ask yes or no.
    std::vector<std::string> args = {
        *zenity, icon == MessageBoxIcon::Warning ? "--warning" : "--info", "--no-markup",
        std::string("--title=") + kCaption, "--text=" + text};
    if (icon == MessageBoxIcon::Question) {
        args.emplace_back("--icon-name=dialog-question");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, zenity->c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // zenity answers 0 for OK and 1 for a closed window; anything else means it showed nothing.
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
}

} // namespace

void RunMainDialog() {
    std::this_thread::sleep_for(kDialogLifetime);
}

void ShowMessageBox(std::u16string_view text, MessageBoxIcon icon) {
    const std::string utf8 = posix::Utf16ToUtf8(text);
    if (HasDisplay() && ShowWithZenity(utf8, icon)) {
        return;
    }
    std::fprintf(stderr, "%s: %s\n", kCaption, utf8.c_str());
    std::fflush(stderr);
}

} // namespace vg::platform
