// vg-test-recorder.exe: stands in for a launcher or an installer that the Windows program starts.
// It writes its arguments, as the Windows command line splits them, and its current folder to
// the file named by VG_RECORD_FILE, in the Linux recorder's format; then it waits for the file
// named by VG_RECORD_HOLD, if any, to appear. Win32 only.
#ifndef _WIN32
#error "Win32 only"
#endif

#include "support/launch_record_writer.h"

#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace {

using vg::test::RecordLine;

std::string Utf8(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size - 1));
    return utf8;
}

struct LocalFreer {
    void operator()(wchar_t** memory) const { ::LocalFree(memory); }
};

std::string Record() {
    std::string record;
    int argc = 0;
    const std::unique_ptr<wchar_t*, LocalFreer> argv(
        ::CommandLineToArgvW(::GetCommandLineW(), &argc));
    for (int i = 0; argv && i < argc; ++i) {
        record += RecordLine("arg", Utf8(argv.get()[i]));
    }
    wchar_t cwd[MAX_PATH + 1] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, cwd);
    record += RecordLine("cwd", length > 0 && length <= MAX_PATH ? Utf8(cwd) : "-");
    return record;
}

void WaitForHoldFile() {
    const wchar_t* hold = ::_wgetenv(L"VG_RECORD_HOLD");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (hold && !std::filesystem::exists(hold) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    const wchar_t* recordFile = ::_wgetenv(L"VG_RECORD_FILE");
    if (!recordFile) {
        return 2;
    }
    if (!vg::test::WriteRecordInPlace(recordFile, Record())) {
        return 3;
    }
    WaitForHoldFile();
    return 0;
}
