// vg-instance-mutex.exe: the starter's single-instance mutex seen from outside, for the
// black-box suite under Wine, where a mutex lives in the wineserver and not in a file.
//   free                  exit 0 when no process holds the mutex, 1 when one does
//   hold READY RELEASE    holds it, writes the file READY, and keeps it until the file RELEASE
//                         appears (60 s at most); exit 1 when another process holds it
//   wait SECONDS          waits until no process holds it; exit 1 when one still does then
// Win32 only.
#ifndef _WIN32
#error "Win32 only"
#endif

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr wchar_t kMutexName[] = L"__VG_STARTER__";

class MutexHandle {
public:
    MutexHandle() : handle_(::CreateMutexW(nullptr, FALSE, kMutexName)) {
        alreadyExisted_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
    }
    MutexHandle(const MutexHandle&) = delete;
    MutexHandle& operator=(const MutexHandle&) = delete;
    ~MutexHandle() {
        if (handle_ != nullptr) {
            ::CloseHandle(handle_);
        }
    }

    [[nodiscard]] bool HeldByAnother() const { return handle_ == nullptr || alreadyExisted_; }

private:
    HANDLE handle_;
    bool alreadyExisted_ = false;
};

bool IsFree() {
    return !MutexHandle().HeldByAnother();
}

int Hold(const wchar_t* ready, const wchar_t* release) {
    const MutexHandle mutex;
    if (mutex.HeldByAnother()) {
        return 1;
    }
    std::ofstream(std::filesystem::path(ready)) << "held\n";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(release) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

int WaitUntilFree(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!IsFree()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"free" && argc == 2) {
        return IsFree() ? 0 : 1;
    }
    if (mode == L"hold" && argc == 4) {
        return Hold(argv[2], argv[3]);
    }
    if (mode == L"wait" && argc == 3) {
        return WaitUntilFree(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    }
    std::fputws(L"usage: vg-instance-mutex free | hold READY RELEASE | wait SECONDS\n", stderr);
    return 2;
}
